#pragma once
// Calls on the disc-writing service's objects through their automation interface
// (IDispatch), by member name: the service's own type library checks and converts every
// argument, and no interface layout needs declaring here. Windows only.

#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace quill::disc::automation {

using Microsoft::WRL::ComPtr;

// A VARIANT that clears itself.
class Variant {
 public:
  Variant() { VariantInit(&value_); }
  ~Variant() { VariantClear(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  Variant(Variant&& other) noexcept : value_(other.value_) { VariantInit(&other.value_); }

  static Variant Text(const std::string& utf8);
  static Variant Bool(bool value);
  static Variant Long(long value);
  static Variant Double(double value, VARTYPE type = VT_R8);
  static Variant Object(IUnknown* object, VARTYPE type = VT_DISPATCH);
  // A copy of an event's argument, passed by reference or not.
  static Variant Copy(const VARIANT* value);

  VARIANT* get() { return &value_; }
  const VARIANT& value() const { return value_; }
  long AsLong() const;
  bool AsBool() const;
  std::string AsText() const;
  // The object it holds, as IDispatch; nullptr when it holds none.
  ComPtr<IDispatch> AsDispatch() const;
  ComPtr<IUnknown> AsUnknown() const;
  // The elements of a VARIANT array, each as a long or a text.
  std::vector<long> AsLongs() const;
  std::vector<std::string> AsTexts() const;

 private:
  VARIANT value_;
};

// The outcome of a call: its HRESULT and the text the object or the system gives for it.
struct CallResult {
  HRESULT code = S_OK;
  std::string text;
  bool ok() const { return SUCCEEDED(code); }
};

CallResult Get(IDispatch* object, const wchar_t* name, Variant& result,
               std::initializer_list<VARIANT*> arguments = {});
CallResult Put(IDispatch* object, const wchar_t* name, Variant value);
CallResult Call(IDispatch* object, const wchar_t* name,
                std::initializer_list<VARIANT*> arguments = {}, Variant* result = nullptr);

// Creates an object of the service by its program id ("IMAPI2.MsftDiscMaster2").
CallResult Create(const wchar_t* programId, ComPtr<IDispatch>& object);

// The system's text for an HRESULT, from the service's message tables first.
std::string CodeText(HRESULT code);

std::wstring Wide(const std::string& utf8);
std::string Narrow(const std::wstring& wide);

}  // namespace quill::disc::automation
