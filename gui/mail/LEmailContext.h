#pragma once

class LMailServices;
class LSettingsStore;
class LUserPrompts;

// What the mail commands work with: the user's preference store (section "Email" and the
// remembered report address), the prompts, and the system's network and sendmail access.
// Without mail services nothing can be sent; the settings can still be edited.
struct LEmailContext {
    LSettingsStore& settings;
    LUserPrompts& prompts;
    LMailServices* mail = nullptr;
};
