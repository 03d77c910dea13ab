#pragma once

namespace alvena {

// Loads the profile into AppState and shows what follows from it: the registration page or the
// tabs, the layout for it, and the session line.
void ApplyProfile();

// "Continuar": checks and saves the typed email, then applies the profile read back.
void OnContinue();

}  // namespace alvena
