// What names the Quillmere component to the automation runtime.

#ifndef CARDWHARF_QUILLMERE_IDENTITY_H_
#define CARDWHARF_QUILLMERE_IDENTITY_H_

namespace cardwharf::quillmere {

// The automation class of a Quillmere session, and its class identifier.
inline constexpr const char* kSessionClass = "CorvantisGroupWareSession";
inline constexpr const char* kSessionClsid = "{4D8E2A61-93B7-4C05-A1F2-6E3B9D0C7A58}";

// The component library's file name, as the build and the installation name it.
inline constexpr const char* kComponentLibrary = "libquillmere-component.so";

}  // namespace cardwharf::quillmere

#endif  // CARDWHARF_QUILLMERE_IDENTITY_H_
