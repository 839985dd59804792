#pragma once

// Names the application for the toolkit's services: the preference store lives under
// the organisation and application "Kestrano", and both programs report version 1.13.
// Call it once the application object exists, before anything reads settings.
void LPlatformInitialize();
