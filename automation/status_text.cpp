#include "automation/status_text.h"

#include <cstdio>

namespace cardwharf::automation {

std::optional<std::string> statusMessage(HRESULT code) {
  struct Entry {
    HRESULT code;
    const char* text;
  };
  static constexpr Entry kTable[] = {
      {S_OK, "The operation completed."},
      {S_FALSE, "The operation completed with nothing to do."},
      {E_NOTIMPL, "That operation is not implemented."},
      {E_NOINTERFACE, "The object does not offer the interface that was asked for."},
      {E_POINTER, "A required pointer was missing."},
      {E_FAIL, "The operation failed."},
      {E_UNEXPECTED, "Something unexpected went wrong."},
      {E_ACCESSDENIED, "Access was denied."},
      {E_OUTOFMEMORY, "There was not enough memory to complete the operation."},
      {E_INVALIDARG, "One or more arguments were not valid."},
      {RPC_E_CHANGED_MODE, "The thread was already set up with another apartment model."},
      {DISP_E_UNKNOWNINTERFACE, "The interface identifier passed to the call was not valid."},
      {DISP_E_MEMBERNOTFOUND, "The object has no such member."},
      {DISP_E_PARAMNOTFOUND, "A named argument was not found."},
      {DISP_E_TYPEMISMATCH, "An argument was of the wrong kind."},
      {DISP_E_UNKNOWNNAME, "The name is not known to the object."},
      {DISP_E_NONAMEDARGS, "The member does not take named arguments."},
      {DISP_E_BADVARTYPE, "A value of an unsupported kind was passed."},
      {DISP_E_EXCEPTION, "The object reported an exception."},
      {DISP_E_BADPARAMCOUNT, "The member was called with the wrong number of arguments."},
      {CLASS_E_NOAGGREGATION, "This class cannot be created as part of another object."},
      {CLASS_E_CLASSNOTAVAILABLE, "The server does not provide that class."},
      {REGDB_E_INVALIDVALUE, "The registration of the class is not valid."},
      {REGDB_E_CLASSNOTREG, "The class is not registered."},
      {CO_E_NOTINITIALIZED, "The automation runtime has not been initialised on this thread."},
      {CO_E_CLASSSTRING, "No class of that name is registered."},
      {CO_E_DLLNOTFOUND, "The server library of the class could not be loaded."},
      {CO_E_ERRORINDLL, "The server library of the class does not offer its entry point."},
  };
  for (const Entry& e : kTable) {
    if (e.code == code) return std::string(e.text);
  }
  return std::nullopt;
}

std::string statusText(HRESULT code) {
  if (std::optional<std::string> text = statusMessage(code)) return *text;
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "OLE error %.8X", static_cast<unsigned>(code));
  return buffer;
}

}  // namespace cardwharf::automation
