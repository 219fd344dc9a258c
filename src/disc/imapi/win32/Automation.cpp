#include "disc/imapi/win32/Automation.h"

#include "platform/Utf16.h"

namespace quill::disc::automation {

namespace {

CallResult Invoke(IDispatch* object, const wchar_t* name, WORD flags,
                  std::initializer_list<VARIANT*> arguments, VARIANT* result) {
  if (object == nullptr) return {E_POINTER, CodeText(E_POINTER)};
  DISPID id = 0;
  auto* member = const_cast<LPOLESTR>(name);
  HRESULT code = object->GetIDsOfNames(IID_NULL, &member, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(code)) return {code, Narrow(name) + ": " + CodeText(code)};
  // Invoke takes the arguments last to first.
  std::vector<VARIANT> reversed;
  for (auto it = std::rbegin(arguments); it != std::rend(arguments); ++it) reversed.push_back(**it);
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  DISPID named = DISPID_PROPERTYPUT;
  if (flags == DISPATCH_PROPERTYPUT) params.rgdispidNamedArgs = &named, params.cNamedArgs = 1;
  EXCEPINFO exception{};
  UINT badArgument = 0;
  code = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &exception,
                        &badArgument);
  if (code == DISP_E_EXCEPTION) {
    if (exception.pfnDeferredFillIn != nullptr) exception.pfnDeferredFillIn(&exception);
    code = FAILED(exception.scode) ? exception.scode : E_FAIL;
    std::string text = exception.bstrDescription != nullptr
                           ? Narrow(std::wstring(exception.bstrDescription,
                                                 SysStringLen(exception.bstrDescription)))
                           : CodeText(code);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrHelpFile);
    return {code, text};
  }
  return {code, SUCCEEDED(code) ? std::string() : CodeText(code)};
}

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
    text.pop_back();
  return text;
}

}  // namespace

std::wstring Wide(const std::string& utf8) {
  const std::u16string text = platform::Utf8ToUtf16(utf8);
  return std::wstring(text.begin(), text.end());
}

std::string Narrow(const std::wstring& wide) {
  return platform::Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

std::string CodeText(HRESULT code) {
  for (const wchar_t* module : {L"imapi2.dll", L"imapi2fs.dll", static_cast<const wchar_t*>(nullptr)}) {
    HMODULE handle = module != nullptr ? GetModuleHandleW(module) : nullptr;
    if (module != nullptr && handle == nullptr) continue;
    wchar_t* buffer = nullptr;
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                        (handle != nullptr ? FORMAT_MESSAGE_FROM_HMODULE : FORMAT_MESSAGE_FROM_SYSTEM);
    const DWORD length = FormatMessageW(flags, handle, static_cast<DWORD>(code), 0,
                                        reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (length > 0 && buffer != nullptr) {
      std::string text = Trimmed(Narrow(std::wstring(buffer, length)));
      LocalFree(buffer);
      return text;
    }
  }
  return {};
}

Variant Variant::Text(const std::string& utf8) {
  Variant v;
  v.value_.vt = VT_BSTR;
  v.value_.bstrVal = SysAllocString(Wide(utf8).c_str());
  return v;
}

Variant Variant::Bool(bool value) {
  Variant v;
  v.value_.vt = VT_BOOL;
  v.value_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

Variant Variant::Long(long value) {
  Variant v;
  v.value_.vt = VT_I4;
  v.value_.lVal = value;
  return v;
}

Variant Variant::Double(double value, VARTYPE type) {
  Variant v;
  v.value_.vt = type;
  if (type == VT_DATE)
    v.value_.date = value;
  else
    v.value_.dblVal = value;
  return v;
}

Variant Variant::Object(IUnknown* object, VARTYPE type) {
  Variant v;
  if (object == nullptr) return v;
  if (type == VT_DISPATCH) {
    IDispatch* dispatch = nullptr;
    if (SUCCEEDED(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)))) {
      v.value_.vt = VT_DISPATCH;
      v.value_.pdispVal = dispatch;
      return v;
    }
  }
  object->AddRef();
  v.value_.vt = VT_UNKNOWN;
  v.value_.punkVal = object;
  return v;
}

Variant Variant::Copy(const VARIANT* value) {
  Variant v;
  if (value != nullptr) VariantCopyInd(&v.value_, const_cast<VARIANT*>(value));
  return v;
}

long Variant::AsLong() const {
  VARIANT converted;
  VariantInit(&converted);
  long result = 0;
  if (SUCCEEDED(VariantChangeType(&converted, const_cast<VARIANT*>(&value_), 0, VT_I4))) result = converted.lVal;
  VariantClear(&converted);
  return result;
}

bool Variant::AsBool() const {
  VARIANT converted;
  VariantInit(&converted);
  bool result = false;
  if (SUCCEEDED(VariantChangeType(&converted, const_cast<VARIANT*>(&value_), 0, VT_BOOL)))
    result = converted.boolVal != VARIANT_FALSE;
  VariantClear(&converted);
  return result;
}

std::string Variant::AsText() const {
  VARIANT converted;
  VariantInit(&converted);
  std::string result;
  if (SUCCEEDED(VariantChangeType(&converted, const_cast<VARIANT*>(&value_), 0, VT_BSTR)) && converted.bstrVal != nullptr)
    result = Narrow(std::wstring(converted.bstrVal, SysStringLen(converted.bstrVal)));
  VariantClear(&converted);
  return result;
}

ComPtr<IDispatch> Variant::AsDispatch() const {
  ComPtr<IDispatch> dispatch;
  if ((value_.vt == VT_DISPATCH || value_.vt == VT_UNKNOWN) && value_.punkVal != nullptr)
    value_.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.GetAddressOf()));
  return dispatch;
}

ComPtr<IUnknown> Variant::AsUnknown() const {
  ComPtr<IUnknown> unknown;
  if ((value_.vt == VT_DISPATCH || value_.vt == VT_UNKNOWN) && value_.punkVal != nullptr)
    unknown = value_.punkVal;
  return unknown;
}

namespace {

// Calls each(element) for every element of a one-dimensional array of VARIANTs.
template <typename Each>
void ForEachElement(const VARIANT& value, Each each) {
  if ((value.vt & VT_ARRAY) == 0 || value.parray == nullptr) return;
  SAFEARRAY* array = value.parray;
  LONG low = 0, high = -1;
  if (FAILED(SafeArrayGetLBound(array, 1, &low)) || FAILED(SafeArrayGetUBound(array, 1, &high)))
    return;
  const VARTYPE type = static_cast<VARTYPE>(value.vt & ~VT_ARRAY);
  for (LONG index = low; index <= high; ++index) {
    Variant element;
    if (type == VT_VARIANT) {
      if (FAILED(SafeArrayGetElement(array, &index, element.get()))) continue;
    } else if (type == VT_I4 || type == VT_UI4 || type == VT_INT || type == VT_UINT) {
      LONG number = 0;
      if (FAILED(SafeArrayGetElement(array, &index, &number))) continue;
      element.get()->vt = VT_I4;
      element.get()->lVal = number;
    } else if (type == VT_BSTR) {
      BSTR text = nullptr;
      if (FAILED(SafeArrayGetElement(array, &index, &text))) continue;
      element.get()->vt = VT_BSTR;
      element.get()->bstrVal = text;
    } else {
      continue;
    }
    each(element);
  }
}

}  // namespace

std::vector<long> Variant::AsLongs() const {
  std::vector<long> numbers;
  ForEachElement(value_, [&](const Variant& element) { numbers.push_back(element.AsLong()); });
  return numbers;
}

std::vector<std::string> Variant::AsTexts() const {
  std::vector<std::string> texts;
  ForEachElement(value_, [&](const Variant& element) { texts.push_back(element.AsText()); });
  return texts;
}

CallResult Get(IDispatch* object, const wchar_t* name, Variant& result,
               std::initializer_list<VARIANT*> arguments) {
  return Invoke(object, name, DISPATCH_PROPERTYGET, arguments, result.get());
}

CallResult Put(IDispatch* object, const wchar_t* name, Variant value) {
  return Invoke(object, name, DISPATCH_PROPERTYPUT, {value.get()}, nullptr);
}

CallResult Call(IDispatch* object, const wchar_t* name, std::initializer_list<VARIANT*> arguments,
                Variant* result) {
  Variant ignored;
  return Invoke(object, name, DISPATCH_METHOD, arguments,
                result != nullptr ? result->get() : ignored.get());
}

CallResult Create(const wchar_t* programId, ComPtr<IDispatch>& object) {
  CLSID id{};
  HRESULT code = CLSIDFromProgID(programId, &id);
  if (SUCCEEDED(code))
    code = CoCreateInstance(id, nullptr, CLSCTX_ALL, IID_IDispatch,
                            reinterpret_cast<void**>(object.ReleaseAndGetAddressOf()));
  return {code, SUCCEEDED(code) ? std::string() : CodeText(code)};
}

}  // namespace quill::disc::automation
