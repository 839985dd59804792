#pragma once

// The product's name and version as the status bar and the programs show them.
inline constexpr const char* kKestranoName = "Kestrano";
inline constexpr const char* kKestranoVersion = "1.13";
