#pragma once
// Receives the Update events of one of the service's writers (the data writer's or the
// eraser's) for as long as it lives: it connects itself to the writer's connection point and
// hands each event's arguments, first to last, to its callback. Windows only.

#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>

#include <atomic>
#include <functional>
#include <vector>

#include "disc/imapi/win32/Automation.h"

namespace quill::disc {

// The event interfaces of the data writer and the eraser.
extern const IID kDataWriterEvents;
extern const IID kEraserEvents;

class EventSink : public IDispatch {
 public:
  using Callback = std::function<void(const std::vector<VARIANT*>& arguments)>;

  // Connects to source's events of the interface events; connected() says whether it did.
  EventSink(IDispatch* source, const IID& events, Callback callback);
  ~EventSink();
  EventSink(const EventSink&) = delete;
  EventSink& operator=(const EventSink&) = delete;

  bool connected() const { return cookie_ != 0; }

  // IUnknown: the sink lives on the stack of the call it watches, so counting is only kept.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override { return --references_; }
  // IDispatch: only Invoke is used; the service calls it by the event's number.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                   EXCEPINFO*, UINT*) override;

 private:
  IID events_;
  Callback callback_;
  std::atomic<ULONG> references_{1};
  automation::ComPtr<IConnectionPoint> point_;
  DWORD cookie_ = 0;
};

}  // namespace quill::disc
