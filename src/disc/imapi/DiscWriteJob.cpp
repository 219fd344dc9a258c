#include "disc/imapi/DiscWriteJob.h"

#include <algorithm>

#include "disc/imapi/DiscReadBack.h"
#include "disc/imapi/ServiceErrors.h"

namespace quill::disc {

namespace {

int Percent(const WriteProgress& progress) {
  if (progress.sectorCount <= 0) return 0;
  const std::int64_t percent =
      100 * (progress.lastWrittenLba - progress.startLba) / progress.sectorCount;
  return static_cast<int>(std::clamp<std::int64_t>(percent, 0, 100));
}

}  // namespace

int WriteStatusOf(WriteAction action, bool closeMedium) {
  switch (action) {
    case WriteAction::ValidatingMedia:
    case WriteAction::FormattingMedia:
    case WriteAction::InitializingHardware:
    case WriteAction::CalibratingPower:
      return kStatusPreparing;
    case WriteAction::WritingData:
      return kStatusWriting;
    case WriteAction::Finalization:
      return closeMedium ? kStatusLeadOut : kStatusClosingTrack;
    default:
      // Completed: the end of the write is reported once the verify has run.
      return -1;
  }
}

void DiscWriteJob::Run(DiscService& service, DiscEvents& events,
                       const std::atomic<bool>& abort) const {
  events.WriteStatus(0, kStatusPreparing);
  int lastStatus = kStatusPreparing;
  int lastPercent = 0;
  const WriteListener listener = [&](const WriteProgress& progress) {
    const int status = WriteStatusOf(progress.action, write.closeMedium);
    const int percent = status == kStatusWriting ? Percent(progress) : 0;
    if (status >= 0 &&
        (status != lastStatus || (status == kStatusWriting && percent != lastPercent)))
      events.WriteStatus(percent, status);
    if (status >= 0) lastStatus = status, lastPercent = percent;
    return !abort;
  };
  ServiceFailure failure;
  const bool written = !abort && service.Write(recorder, write, listener, failure);
  // A write that ended well before the abort took hold is reported as written.
  if (!written && (abort || failure.code == hresult::kRequestCancelled))
    return events.WriteStatus(0, kStatusCancelled);
  if (!written) {
    events.WriteError(WriteFailureError(failure, deviceName));
    return events.WriteStatus(0, kStatusError);
  }
  if (verify) {
    ReadBackFiles(service, recorder, files, events, abort);
    // Cancel pressed during the verify: the write is reported as cancelled, not as a verify
    // that failed.
    if (abort) return events.WriteStatus(0, kStatusCancelled);
  }
  events.WriteStatus(100, kStatusCompleted);
}

}  // namespace quill::disc
