// Registering the Quillmere component with the automation runtime for the
// current user, and finding the component library to register.

#ifndef CARDWHARF_QUILLMERE_REGISTRATION_H_
#define CARDWHARF_QUILLMERE_REGISTRATION_H_

#include <optional>
#include <string>

namespace cardwharf::quillmere {

// The user's registration file of the component.
std::string registrationFile();

// The registration text naming `library`.
std::string registrationText(const std::string& library);

// The component library that goes with the program at `executable`: beside
// it (a build tree) or in the installation's lib/cardwharf. Nothing when
// neither exists.
std::optional<std::string> componentLibraryFor(const std::string& executable);

// Writes the user's registration of `library`, replacing any earlier one
// whole (never half-written). Throws std::runtime_error with a sentence when
// the library is not an absolute path, is not safe to trust (others may
// write it), or the file cannot be written.
void registerComponent(const std::string& library);

// Removes the user's registration. False when there was none; throws
// std::runtime_error when it cannot be removed.
bool unregisterComponent();

}  // namespace cardwharf::quillmere

#endif  // CARDWHARF_QUILLMERE_REGISTRATION_H_
