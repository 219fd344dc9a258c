#include <string>

#include "disc/DiscEngine.h"

namespace quill::disc {

std::string EngineErrorText(const EngineError& error) {
  switch (error.Kind) {
    case 1:
      return "Device Error: (" + std::to_string(error.Device.Code) + ")   " + error.Device.Text1 +
             "\r\n" + error.Device.Text2 + " - " + error.Device.Text3;
    case 2:
    case 3:
      return std::string(error.Kind == 2 ? "Output" : "Source") + " File Error: (" +
             std::to_string(error.File.Code) + ")   " + error.File.Text + "\r\n'" +
             error.File.Path + "'";
    case 5:
      return "System Error: (" + std::to_string(error.SystemCode) + ")   " + error.Text;
    default:
      return "Write Error: (" + std::to_string(error.Kind) + ")   " + error.Text;
  }
}

}  // namespace quill::disc
