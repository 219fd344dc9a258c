#include "disc/imapi/win32/FileSystemImage.h"

#include <shlwapi.h>

#include "platform/Files.h"

namespace quill::disc {

using automation::CallResult;
using automation::ComPtr;
using automation::Variant;

namespace {

constexpr long kItemIsFile = 2;  // FsiItemFile

bool Failed(const CallResult& result, ServiceFailure& failure, const std::string& path = "") {
  if (result.ok()) return false;
  failure = ServiceFailure{result.code, result.text, path};
  return true;
}

// Paths inside the image are relative to its root.
std::string RootRelative(const std::string& imagePath) {
  return imagePath.size() > 1 && imagePath.front() == '\\' ? imagePath.substr(1) : imagePath;
}

// Seconds since 1970 as an automation date: days since 30 December 1899.
double AutomationDate(std::int64_t seconds) {
  return static_cast<double>(seconds) / 86400.0 + 25569.0;
}

bool AddFile(IDispatch* image, IDispatch* root, const PlannedEntry& entry, bool replace,
             ServiceFailure& failure) {
  const std::string path = RootRelative(entry.imagePath);
  if (replace) {
    Variant kind;
    Variant fullPath = Variant::Text(entry.imagePath);
    if (automation::Call(image, L"Exists", {fullPath.get()}, &kind).ok() &&
        kind.AsLong() == kItemIsFile) {
      Variant relative = Variant::Text(path);
      if (Failed(automation::Call(root, L"Remove", {relative.get()}), failure, entry.sourcePath))
        return false;
    }
  }
  ComPtr<IStream> stream;
  const std::wstring source = platform::HostPath(entry.sourcePath).wstring();
  const HRESULT opened = SHCreateStreamOnFileEx(source.c_str(), STGM_READ | STGM_SHARE_DENY_WRITE,
                                                FILE_ATTRIBUTE_NORMAL, FALSE, nullptr,
                                                stream.GetAddressOf());
  if (FAILED(opened)) {
    failure = ServiceFailure{opened, automation::CodeText(opened), entry.sourcePath};
    return false;
  }
  Variant name = Variant::Text(path);
  Variant data = Variant::Object(stream.Get(), VT_UNKNOWN);
  return !Failed(automation::Call(root, L"AddFile", {name.get(), data.get()}), failure,
                 entry.sourcePath);
}

// The dates the disc shows for the entry.
void SetDates(IDispatch* root, const PlannedEntry& entry) {
  Variant path = Variant::Text(RootRelative(entry.imagePath));
  Variant item;
  if (!automation::Get(root, L"Item", item, {path.get()}).ok()) return;
  const ComPtr<IDispatch> node = item.AsDispatch();
  const double date = AutomationDate(entry.date);
  for (const wchar_t* name : {L"CreationTime", L"LastModifiedTime", L"LastAccessedTime"})
    automation::Put(node.Get(), name, Variant::Double(date, VT_DATE));
}

}  // namespace

bool BuildImage(const ImagePlan& plan, IDispatch* recorder, IDispatch* writer, BuiltImage& built,
                ServiceFailure& failure) {
  ComPtr<IDispatch> image;
  if (Failed(automation::Create(L"IMAPI2FS.MsftFileSystemImage", image), failure)) return false;
  bool appending = false;
  if (recorder != nullptr && writer != nullptr) {
    Variant drive = Variant::Object(recorder);
    if (Failed(automation::Call(image.Get(), L"ChooseImageDefaults", {drive.get()}), failure))
      return false;
    Variant blank;
    appending = automation::Get(writer, L"MediaHeuristicallyBlank", blank).ok() && !blank.AsBool();
  } else {
    // No medium to fit: no limit on the image's size.
    if (Failed(automation::Put(image.Get(), L"FreeMediaBlocks", Variant::Long(0)), failure))
      return false;
  }
  if (Failed(automation::Put(image.Get(), L"FileSystemsToCreate", Variant::Long(plan.fileSystems)),
             failure) ||
      Failed(automation::Put(image.Get(), L"VolumeName", Variant::Text(plan.volumeName)), failure))
    return false;
  if (plan.udfRevision != 0 &&
      Failed(automation::Put(image.Get(), L"UDFRevision", Variant::Long(plan.udfRevision)), failure))
    return false;
  if (appending) {
    // The earlier sessions' files stay readable on the disc.
    Variant sessions;
    if (Failed(automation::Get(writer, L"MultisessionInterfaces", sessions), failure) ||
        Failed(automation::Put(image.Get(), L"MultisessionInterfaces", std::move(sessions)),
               failure) ||
        Failed(automation::Call(image.Get(), L"ImportFileSystem"), failure))
      return false;
  }
  Variant rootValue;
  if (Failed(automation::Get(image.Get(), L"Root", rootValue), failure)) return false;
  const ComPtr<IDispatch> root = rootValue.AsDispatch();
  for (const PlannedEntry& entry : plan.entries) {
    if (entry.isFolder) {
      Variant path = Variant::Text(RootRelative(entry.imagePath));
      Variant kind;
      Variant fullPath = Variant::Text(entry.imagePath);
      const bool exists = appending &&
                          automation::Call(image.Get(), L"Exists", {fullPath.get()}, &kind).ok() &&
                          kind.AsLong() != 0;
      if (!exists && Failed(automation::Call(root.Get(), L"AddDirectory", {path.get()}), failure))
        return false;
    } else if (!AddFile(image.Get(), root.Get(), entry, appending, failure)) {
      return false;
    }
    if (recorder != nullptr) SetDates(root.Get(), entry);
  }
  Variant result;
  if (Failed(automation::Call(image.Get(), L"CreateResultImage", {}, &result), failure)) return false;
  built.result = result.AsDispatch();
  Variant blocks;
  if (Failed(automation::Get(built.result.Get(), L"TotalBlocks", blocks), failure)) return false;
  built.totalBlocks = blocks.AsLong();
  return true;
}

}  // namespace quill::disc
