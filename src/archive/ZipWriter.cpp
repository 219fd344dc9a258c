#include "archive/ZipWriter.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <ctime>
#include <deque>
#include <fstream>
#include <future>
#include <optional>
#include <random>
#include <vector>

#include "archive/ByteSink.h"
#include "archive/CodePageNames.h"
#include "archive/EntryPacking.h"
#include "archive/TaskPool.h"
#include "archive/ZipRecords.h"
#include "platform/AnsiCodePage.h"
#include "platform/Files.h"

namespace quill::archive {
namespace fs = std::filesystem;
using platform::PathText;

namespace {

// A file up to this size is read and packed whole; a longer one in pieces of kPieceBytes.
constexpr std::size_t kWholeLimit = 4 << 20;
constexpr std::size_t kPieceBytes = 1 << 20;
// A file's bytes are read in steps of this size, the progress told after each.
constexpr std::size_t kReadStep = 256 << 10;
// The 32 KiB before a piece that prime its deflate stream, as deflate looks back that far.
constexpr std::size_t kPrimer = 32 << 10;
// The source bytes that may be read but not yet written: enough to keep every core busy,
// little enough that memory stays flat however large the files.
constexpr std::uint64_t kWindowBytes = 8 << 20;
// Margin for a long entry's packed size over its source's before its sizes need ZIP64:
// deflate adds at most a few bytes per 16 KiB stored block.
constexpr std::uint64_t kZip64Margin = 64 << 20;

bool IsZipName(const std::string& name) {
  if (name.size() < 4) return false;
  std::string tail = name.substr(name.size() - 4);
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return tail == ".zip";
}

std::int64_t ModifiedOf(const fs::path& source) {
  std::error_code error;
  const auto modified = fs::last_write_time(source, error);
  if (error) return std::time(nullptr);
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::file_clock::to_sys(modified).time_since_epoch())
      .count();
}

}  // namespace

// What the writer has still to write, in the order it goes out: a whole entry being packed, a
// folder entry, or the start, a piece and the end of a long entry.
struct ZipWriter::Piece {
  enum class Kind { Whole, Folder, Start, Part, End } kind = Kind::Whole;
  ZipEntryRecord entry{};            // Whole, Folder, Start; End: the CRC and size
  std::future<PackedEntry> whole{};  // Whole
  std::future<Bytes> part{};         // Part
  std::uint64_t held = 0;            // the source bytes it holds in memory
};

struct ZipWriter::State {
  std::shared_ptr<TaskPool> pool;
  std::shared_ptr<Packers> packers;
  ZipWriter* outer = nullptr;  // the writer whose entry this inner archive is written into
  FileSink file;               // the file, when this writer writes one
  ByteSink* sink = nullptr;
  fs::path target;
  fs::path partial;
  std::string password;  // the bytes entries are keyed with; empty for none
  bool namesInCodePage = false;
  std::mt19937 random{std::random_device{}()};
  std::deque<Piece> pieces;
  std::uint64_t held = 0;
  // The long entry being written, and its coder when it is encrypted.
  ZipEntryRecord current{};
  std::optional<ZipCrypto> coder;
  std::string central;  // the central directory's headers so far
  std::uint64_t count = 0;
  Progress progress;
  std::uint64_t done = 0;
  int reported = -1;

  std::array<std::uint8_t, 11> RandomBytes() {
    std::array<std::uint8_t, 11> bytes{};
    for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(random() & 0xFF);
    return bytes;
  }
  ZipEntryRecord Entry(const std::string& name, std::int64_t modified) const {
    ZipEntryRecord entry;
    entry.name = namesInCodePage ? platform::Utf8ToAnsi(name) : name;
    entry.utf8 = !namesInCodePage;
    entry.encrypted = !password.empty();
    SetModified(entry, modified);
    return entry;
  }
};

ZipWriter::ZipWriter(unsigned threads) : state_(std::make_unique<State>()) {
  state_->packers = std::make_shared<Packers>();
  state_->pool = std::make_shared<TaskPool>(threads);
}

ZipWriter::ZipWriter(ZipWriter& outer, ByteSink& sink, bool namesInCodePage)
    : state_(std::make_unique<State>()) {
  state_->pool = outer.state_->pool;
  state_->packers = outer.state_->packers;
  state_->outer = &outer;
  state_->sink = &sink;
  state_->namesInCodePage = namesInCodePage;
}

ZipWriter::~ZipWriter() {
  Abandon();
}

bool ZipWriter::FailSource(std::string message) {
  sourceFailed_ = true;
  return Fail(std::move(message));
}

bool ZipWriter::Fail(std::string message) {
  error_ = std::move(message);
  Abandon();
  return false;
}

void ZipWriter::Abandon() {
  if (!state_ || state_->sink == nullptr) return;
  state_->pieces.clear();
  state_->held = 0;
  state_->sink = nullptr;
  if (state_->partial.empty()) return;
  state_->file.Close(false);
  std::error_code error;
  fs::remove(state_->partial, error);
  state_->partial.clear();
}

bool ZipWriter::Open(const fs::path& target, const std::string& password, Progress progress,
                     bool namesInCodePage) {
  Abandon();
  error_.clear();
  sourceFailed_ = false;
  State& state = *state_;
  state.target = target;
  state.partial = target.parent_path() / (PathText(target.filename()) + ".partial");
  state.progress = std::move(progress);
  state.password = password.empty() ? std::string() : PasswordBytes(password);
  state.namesInCodePage = namesInCodePage;
  state.central.clear();
  state.count = 0;
  state.done = 0;
  state.reported = -1;
  std::string problem;
  if (!state.file.Create(state.partial, problem)) {
    state.partial.clear();
    return Fail(problem);
  }
  state.sink = &state.file;
  return true;
}

void ZipWriter::Report(std::uint64_t read) {
  if (state_->outer != nullptr) return state_->outer->Report(read);
  State& state = *state_;
  state.done += read;
  const Progress& progress = state.progress;
  if (progress.bytes) progress.bytes(state.done);
  if (!progress.report || progress.total == 0) return;
  const int percent =
      static_cast<int>(std::min<std::uint64_t>(100, state.done * 100 / progress.total));
  if (percent != state.reported) progress.report(percent);
  state.reported = percent;
}

bool ZipWriter::Put(const std::uint8_t* bytes, std::size_t size) {
  if (size == 0 || state_->sink->Put(bytes, size)) return true;
  return Fail("cannot write " +
              PathText(state_->target.empty() ? state_->partial : state_->target) +
              ": the disk did not take it (is it full?)");
}

bool ZipWriter::Put(const std::string& bytes) {
  return Put(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

bool ZipWriter::Queue(Piece piece) {
  State& state = *state_;
  state.held += piece.held;
  state.pieces.push_back(std::move(piece));
  while (state.held > kWindowBytes)
    if (!WriteNext()) return false;
  return true;
}

bool ZipWriter::WriteAll() {
  while (!state_->pieces.empty())
    if (!WriteNext()) return false;
  return true;
}

// Writes the oldest piece, once it is packed.
bool ZipWriter::WriteNext() {
  State& state = *state_;
  Piece piece = std::move(state.pieces.front());
  state.pieces.pop_front();
  state.held -= piece.held;
  ZipEntryRecord& entry = piece.entry;
  try {
    switch (piece.kind) {
      case Piece::Kind::Whole: {
        PackedEntry packed = piece.whole.get();
        entry.crc = packed.crc;
        entry.deflated = packed.deflated;
        entry.packed = packed.data.size();
        entry.offset = state.sink->Written();
        if (!Put(LocalHeader(entry)) || !Put(packed.data.data(), packed.data.size())) return false;
        break;
      }
      case Piece::Kind::Folder:
        entry.offset = state.sink->Written();
        if (!Put(LocalHeader(entry))) return false;
        break;
      case Piece::Kind::Start: {
        entry.offset = state.sink->Written();
        state.current = entry;
        state.coder.reset();
        if (!Put(LocalHeader(entry))) return false;
        if (entry.encrypted) {
          std::array<std::uint8_t, ZipCrypto::kHeaderSize> header{};
          state.coder.emplace(state.password);
          state.coder->MakeHeader(state.RandomBytes(), CheckByte(entry), header.data());
          state.current.packed = header.size();
          if (!Put(header.data(), header.size())) return false;
        }
        return true;
      }
      case Piece::Kind::Part: {
        Bytes part = piece.part.get();
        if (state.coder) state.coder->Encrypt(part.data(), part.size());
        state.current.packed += part.size();
        return Put(part.data(), part.size());
      }
      case Piece::Kind::End:
        state.current.crc = entry.crc;
        state.current.size = entry.size;
        entry = state.current;
        if (!Put(DataDescriptor(entry))) return false;
        break;
    }
  } catch (const std::exception& error) {
    return Fail("cannot pack " + entry.name + ": " + error.what());
  }
  state.central += CentralHeader(entry);
  ++state.count;
  return true;
}

bool ZipWriter::AddWhole(const std::string& name, std::int64_t modified, Bytes plain,
                         bool compress) {
  State& state = *state_;
  Piece piece;
  piece.entry = state.Entry(name, modified);
  piece.entry.size = plain.size();
  piece.held = plain.size();
  piece.whole =
      state.pool->Submit([packers = state.packers, plain = std::move(plain), compress,
                          password = state.password, random = state.RandomBytes()]() mutable {
        return PackWhole(*packers, std::move(plain), compress, password, random);
      });
  return Queue(std::move(piece));
}

bool ZipWriter::AddData(const std::string& name, std::string_view bytes) {
  if (!state_ || state_->sink == nullptr) return Fail("no archive is being written");
  const bool added = AddWhole(name, std::time(nullptr), Bytes(bytes.begin(), bytes.end()), true);
  if (added) Report(bytes.size());
  return added;
}

bool ZipWriter::AddFolder(const fs::path& source, const std::string& name) {
  if (!state_ || state_->sink == nullptr) return Fail("no archive is being written");
  Piece piece;
  piece.kind = Piece::Kind::Folder;
  piece.entry = state_->Entry(name, ModifiedOf(source));
  piece.entry.directory = true;
  // A folder has no data to protect.
  piece.entry.encrypted = false;
  return Queue(std::move(piece));
}

bool ZipWriter::AddFile(const fs::path& source, const std::string& name) {
  if (!state_ || state_->sink == nullptr) return Fail("no archive is being written");
  std::error_code error;
  std::ifstream in(source, std::ios::binary);
  const std::uint64_t size = fs::file_size(source, error);
  if (!in || error) return FailSource("cannot read " + PathText(source));
  const std::int64_t modified = ModifiedOf(source);
  if (size > kWholeLimit) return AddLong(source, in, name, modified, size);
  Bytes plain(size);
  // Read in steps, so the progress moves within a file.
  for (std::size_t at = 0; at < size;) {
    const std::size_t step = std::min<std::size_t>(size - at, kReadStep);
    in.read(reinterpret_cast<char*>(plain.data() + at), static_cast<std::streamsize>(step));
    if (static_cast<std::size_t>(in.gcount()) != step)
      return FailSource(PathText(source) + " shrank while it was added");
    at += step;
    Report(step);
  }
  // A source that is longer now than it was when its size was taken has changed meanwhile.
  if (in.peek() != std::char_traits<char>::eof())
    return FailSource(PathText(source) + " grew while it was added");
  return AddWhole(name, modified, std::move(plain), !IsZipName(name));
}

bool ZipWriter::AddLong(const fs::path& source, std::ifstream& in, const std::string& name,
                        std::int64_t modified, std::uint64_t size) {
  State& state = *state_;
  Piece start;
  start.kind = Piece::Kind::Start;
  start.entry = state.Entry(name, modified);
  start.entry.deflated = true;
  start.entry.sizesFollow = true;
  start.entry.zip64 = size + kZip64Margin >= kZip32Limit;
  if (!Queue(std::move(start))) return false;
  std::uint32_t crc = 0;
  Bytes primer;
  for (std::uint64_t left = size; left > 0;) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, kPieceBytes));
    Bytes input(primer.size() + want);
    std::copy(primer.begin(), primer.end(), input.begin());
    in.read(reinterpret_cast<char*>(input.data() + primer.size()),
            static_cast<std::streamsize>(want));
    if (static_cast<std::size_t>(in.gcount()) != want)
      return FailSource(PathText(source) + " shrank while it was added");
    crc = Crc32(crc, input.data() + primer.size(), want);
    left -= want;
    Report(want);
    const bool last = left == 0;
    if (last && in.peek() != std::char_traits<char>::eof())
      return FailSource(PathText(source) + " grew while it was added");
    const std::size_t primed = primer.size();
    primer.assign(input.end() - static_cast<std::ptrdiff_t>(std::min(kPrimer, input.size())),
                  input.end());
    Piece part;
    part.kind = Piece::Kind::Part;
    part.held = input.size();
    part.part = state.pool->Submit([packers = state.packers, input = std::move(input), primed,
                                    last] { return DeflatePiece(*packers, input, primed, last); });
    if (!Queue(std::move(part))) return false;
  }
  Piece end;
  end.kind = Piece::Kind::End;
  end.entry.crc = crc;
  end.entry.size = size;
  return Queue(std::move(end));
}

bool ZipWriter::AddArchive(const std::string& name, std::uint64_t sourceBytes, bool namesInCodePage,
                           const std::function<bool(ZipWriter& inner)>& fill) {
  if (!state_ || state_->sink == nullptr) return Fail("no archive is being written");
  State& state = *state_;
  // The inner archive's bytes go straight into the sink: everything before it goes first.
  if (!WriteAll()) return false;
  ZipEntryRecord entry = state.Entry(name, std::time(nullptr));
  entry.sizesFollow = true;
  entry.zip64 = sourceBytes + kZip64Margin >= kZip32Limit;
  entry.offset = state.sink->Written();
  if (!Put(LocalHeader(entry))) return false;
  std::optional<ZipCrypto> coder;
  std::uint64_t header = 0;
  if (entry.encrypted) {
    std::array<std::uint8_t, ZipCrypto::kHeaderSize> bytes{};
    coder.emplace(state.password);
    coder->MakeHeader(state.RandomBytes(), CheckByte(entry), bytes.data());
    header = bytes.size();
    if (!Put(bytes.data(), bytes.size())) return false;
  }
  EntrySink data(*state.sink, coder);
  {
    ZipWriter inner(*this, data, namesInCodePage);
    inner.state_->target = state.target;
    if (!fill(inner) || !inner.Finish(false)) {
      sourceFailed_ = inner.sourceFailed();
      return Fail(inner.error());
    }
  }
  entry.crc = data.crc();
  entry.size = data.Written();
  entry.packed = header + data.Written();
  if (!Put(DataDescriptor(entry))) return false;
  state.central += CentralHeader(entry);
  ++state.count;
  return true;
}

bool ZipWriter::Finish(bool durable) {
  if (!state_ || state_->sink == nullptr) return Fail("no archive is being written");
  State& state = *state_;
  if (!WriteAll()) return false;
  const std::uint64_t directory = state.sink->Written();
  if (!Put(state.central) || !Put(EndRecords(state.count, directory, state.central.size())))
    return false;
  state.central.clear();
  state.central.shrink_to_fit();
  if (state.partial.empty()) {
    // An inner archive: its entry in the outer archive is ended by the outer writer.
    state.sink = nullptr;
    return true;
  }
  const std::string target = PathText(state.target);
  const bool closed = state.file.Close(durable);
  state.sink = nullptr;
  if (!closed) {
    sourceFailed_ = false;
    error_ = "cannot write " + target + ": the disk did not take it";
    std::error_code ignored;
    fs::remove(state.partial, ignored);
    state.partial.clear();
    return false;
  }
  std::error_code error;
  fs::rename(state.partial, state.target, error);
  if (error) {
    fs::remove(state.partial, error);
    state.partial.clear();
    return Fail("cannot write " + target + ": " + error.message());
  }
  state.partial.clear();
  if (state.reported != 100 && state.progress.report) state.progress.report(100);
  return true;
}

bool WalkFolder(const fs::path& root, bool recurse,
                const std::function<bool(const fs::path&, const std::string&, bool)>& visit,
                std::string& error, const std::function<bool(std::string_view)>& leaveOut) {
  enum class Kind { File, Folder, Other };
  // Only the names of the folder being listed are held: a path object per file would cost
  // far more than its name in a folder of tens of thousands of messages.
  std::function<bool(const fs::path&, const std::string&)> walk = [&](const fs::path& folder,
                                                                      const std::string& prefix) {
    std::error_code code;
    std::vector<std::pair<std::string, Kind>> children;
    for (fs::directory_iterator it(folder, code), end; !code && it != end; it.increment(code)) {
      const std::u8string leaf = it->path().filename().u8string();
      if (leaveOut &&
          leaveOut(std::string_view(reinterpret_cast<const char*>(leaf.data()), leaf.size())))
        continue;
      const Kind kind = it->is_directory(code) && !it->is_symlink(code) ? Kind::Folder
                        : it->is_regular_file(code)                     ? Kind::File
                                                                        : Kind::Other;
      children.emplace_back(std::string(leaf.begin(), leaf.end()), kind);
    }
    if (code) {
      error = "cannot list " + PathText(folder) + ": " + code.message();
      return false;
    }
    std::sort(children.begin(), children.end());
    for (const auto& [leaf, kind] : children) {
      const fs::path path = folder / platform::HostPath(leaf);
      const std::string name = prefix + leaf;
      if (kind == Kind::Folder) {
        // A folder that holds nothing is kept as a folder entry, so it comes back on restore.
        if (fs::is_empty(path, code)) {
          if (!visit(path, name + "/", true)) return false;
        } else if (recurse && !walk(path, name + "/")) {
          return false;
        }
      } else if (kind == Kind::File) {
        if (!visit(path, name, false)) return false;
      }
    }
    return true;
  };
  return walk(root, "");
}

}  // namespace quill::archive
