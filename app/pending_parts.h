// Routines that start-up and quit call and whose modules have not landed yet.
// Each declaration moves to its module's header when the module lands.
#pragma once

int RestoreSettings(const char* path);
int SaveSettings(const char* path);
void SetAllAttribsMain(int dimmed);
void SetSampleLength(int channel, unsigned long long bits);
