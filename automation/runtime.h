// The automation runtime: apartments, class lookup and object creation.
//
// A thread must initialise the runtime (as a single-threaded apartment)
// before it looks up a class, creates an object or calls one; each
// successful initialisation is matched by one CoUninitialize. Objects are
// made by in-process servers: shared libraries named by the class registry
// (registry.h), loaded once and kept loaded for the life of the process.

#ifndef CARDWHARF_AUTOMATION_RUNTIME_H_
#define CARDWHARF_AUTOMATION_RUNTIME_H_

#include "automation/types.h"

namespace cardwharf::automation {

class IUnknown;

// Initialises the runtime for the calling thread as a single-threaded
// apartment. S_OK the first time, S_FALSE when it already was (each still to
// be matched by CoUninitialize), RPC_E_CHANGED_MODE when the thread was
// initialised with another model.
HRESULT CoInitialize(void* reserved);
HRESULT CoInitializeEx(void* reserved, DWORD model);

// Undoes one successful initialisation of the calling thread.
void CoUninitialize();

// True while the calling thread has the runtime initialised. Servers check it
// on every call and answer CO_E_NOTINITIALIZED when it is false.
bool isApartmentInitialized();

// Looks the class named `progId` up in the class registry. S_OK with its
// identifier in *clsid; CO_E_NOTINITIALIZED, E_POINTER, or the registry's
// status (CO_E_CLASSSTRING when it is not registered).
HRESULT CLSIDFromProgID(const OLECHAR* progId, CLSID* clsid);

// Creates an object of class `clsid` as interface `iid` in *out. Only
// in-process servers exist: a context that asks for an in-process or a local
// server is served in-process. CLASS_E_NOAGGREGATION for an `outer`,
// CO_E_NOTINITIALIZED, REGDB_E_CLASSNOTREG, E_ACCESSDENIED for a library
// that is not safe to trust, CO_E_DLLNOTFOUND when it cannot be loaded,
// CO_E_ERRORINDLL when it lacks the entry point, or the server's status.
HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, DWORD context, const IID& iid,
                         void** out);

// The locale of the calling thread for name lookups: always US English.
LCID GetThreadLocale();

}  // namespace cardwharf::automation

#endif  // CARDWHARF_AUTOMATION_RUNTIME_H_
