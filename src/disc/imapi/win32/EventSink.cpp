#include "disc/imapi/win32/EventSink.h"

#include <ocidl.h>

namespace quill::disc {

// DDiscFormat2DataEvents and DDiscFormat2EraseEvents.
const IID kDataWriterEvents = {0x2735413C, 0x7F64, 0x5B0F, {0x8F, 0x00, 0x5D, 0x77, 0xAF, 0xBE, 0x26, 0x1E}};
const IID kEraserEvents = {0x2735413A, 0x7F64, 0x5B0F, {0x8F, 0x00, 0x5D, 0x77, 0xAF, 0xBE, 0x26, 0x1E}};

namespace {

// The number of the Update event, in both interfaces.
constexpr DISPID kUpdate = 0x200;

}  // namespace

EventSink::EventSink(IDispatch* source, const IID& events, Callback callback)
    : events_(events), callback_(std::move(callback)) {
  automation::ComPtr<IConnectionPointContainer> container;
  if (source == nullptr ||
      FAILED(source->QueryInterface(IID_IConnectionPointContainer,
                                    reinterpret_cast<void**>(container.GetAddressOf()))) ||
      FAILED(container->FindConnectionPoint(events_, point_.GetAddressOf())))
    return;
  if (FAILED(point_->Advise(this, &cookie_))) cookie_ = 0;
}

EventSink::~EventSink() {
  if (cookie_ != 0) point_->Unadvise(cookie_);
}

HRESULT STDMETHODCALLTYPE EventSink::QueryInterface(REFIID id, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDispatch) || IsEqualIID(id, events_)) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE EventSink::GetTypeInfoCount(UINT* count) {
  if (count != nullptr) *count = 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE EventSink::Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* params,
                                            VARIANT*, EXCEPINFO*, UINT*) {
  if (member != kUpdate || params == nullptr) return S_OK;
  // The arguments arrive last to first.
  std::vector<VARIANT*> arguments;
  for (UINT index = params->cArgs; index > 0; --index) arguments.push_back(&params->rgvarg[index - 1]);
  callback_(arguments);
  return S_OK;
}

}  // namespace quill::disc
