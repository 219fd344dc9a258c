// The engine over the real disc-writing service, where Wine runs the Windows build: Wine has
// no such service, so the window's start must fail with its message, and nothing crash.

#include <gtest/gtest.h>

#include "disc/DiscWindowLogic.h"
#include "disc/imapi/ImapiEngine.h"
#include "support/RecordingDiscView.h"
#include "support/RecordingPrompter.h"
// Last: windows.h defines Yield, a member of the window's view.
#include "disc/imapi/win32/ImapiService.h"

namespace quill::disc {
namespace {

bool UnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

TEST(ImapiWineStartTest, WithoutTheServiceTheWindowSaysItsEngineCouldNotStart) {
  if (!UnderWine()) GTEST_SKIP() << "a real Windows has the disc-writing service";
  ImapiEngine engine(std::make_unique<ImapiService>());
  test::RecordingDiscView view;
  test::RecordingPrompter prompter;
  DiscHandOver handOver;
  int programEnds = 0;
  DiscWindowLogic logic(view, engine, prompter, handOver,
                        DiscWindowCommands{{}, [&] { ++programEnds; }});
  EXPECT_FALSE(logic.Start());
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, "Devices Cannot be initialized...Contact support!");
  EXPECT_EQ(programEnds, 1);
  EXPECT_EQ(engine.DeviceCount(), 0);
  EXPECT_NE(engine.startFailure().code, 0);
  EXPECT_NE(engine.startFailure().text.find("IMAPI2"), std::string::npos);
  // The engine asked again, and the image it keeps, stay usable.
  EXPECT_FALSE(engine.InitDevices(false));
  EXPECT_EQ(engine.ImageSize(), 0);
}

}  // namespace
}  // namespace quill::disc
