#pragma once
// The disc-writing service as Windows offers it (IMAPI2): the disc master, the drives, the
// data writer, the eraser and the file system image, all reached on a COM thread of their
// own. Windows only.

#include <map>
#include <memory>
#include <string>

#include "disc/imapi/DiscService.h"
#include "disc/imapi/win32/Automation.h"
#include "disc/imapi/win32/ComThread.h"

namespace quill::disc {

class ImapiService : public DiscService {
 public:
  ImapiService();
  ~ImapiService() override;

  bool Start(ServiceFailure& failure) override;
  std::vector<ServiceRecorder> Recorders() override;
  ServiceMedia Media(const std::string& recorder) override;
  std::int64_t ImageBlocks(const ImagePlan& plan, ServiceFailure& failure) override;
  bool Write(const std::string& recorder, const ServiceWrite& write, const WriteListener& listener,
             ServiceFailure& failure) override;
  bool Erase(const std::string& recorder, bool full, const EraseListener& listener,
             ServiceFailure& failure) override;
  std::unique_ptr<DiscFileReader> OpenDiscFile(const std::string& recorder,
                                               const std::string& imagePath) override;
  bool Eject(const std::string& recorder) override;
  bool CloseTray(const std::string& recorder) override;

 private:
  struct Drive {
    automation::ComPtr<IDispatch> recorder;
    std::string volume;  // "E:\", where the disc's files are read back
  };
  IDispatch* RecorderOf(const std::string& id);

  ComThread thread_;
  automation::ComPtr<IDispatch> master_;
  std::map<std::string, Drive> drives_;
};

}  // namespace quill::disc
