#include "disc/DiscEngine.h"
#include "disc/EventHub.h"
#include "disc/ImageModel.h"

#ifdef QUILL_HAVE_LIBBURN
#include "disc/burn/LibburnEngine.h"
#elif defined(_WIN32)
#include "disc/imapi/ImapiEngine.h"
#include "disc/imapi/win32/ImapiService.h"
#endif

namespace quill::disc {

namespace {

// Where no disc library is there: the image can be compiled, but no drive is found.
class NoDriveEngine : public DiscEngine {
 public:
  void AddListener(DiscEvents& listener) override { hub_.Add(listener); }
  void RemoveListener(DiscEvents& listener) override { hub_.Remove(listener); }
  bool InitDevices(bool) override { return true; }
  int DeviceCount() const override { return 0; }
  DiscDevice* GetDevice(int) override { return nullptr; }
  DiscImage& Image() override { return image_; }
  int BlockSize() const override { return 2048; }
  double ImageSize() override { return image_.FileBytes(); }
  bool StartWrite(DiscDevice&, const WriteOptions& options) override {
    SetVolume(options.volume);
    return false;
  }
  void Abort() override {}
  void Poll() override {}
  bool Busy() const override { return false; }

 private:
  EventHub hub_;
  ImageModel image_{hub_};
};

}  // namespace

std::unique_ptr<DiscEngine> CreateDiscEngine() {
#ifdef QUILL_HAVE_LIBBURN
  return std::make_unique<LibburnEngine>();
#elif defined(_WIN32)
  return std::make_unique<ImapiEngine>(std::make_unique<ImapiService>());
#else
  return std::make_unique<NoDriveEngine>();
#endif
}

}  // namespace quill::disc
