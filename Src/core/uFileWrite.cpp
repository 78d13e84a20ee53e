#include "uFileWrite.h"

#include "uErrors.h"
#include "uText.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <stdexcept>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------
// Temporary files removed on SIGINT, SIGTERM and SIGHUP. The handler may only
// use what is safe in a signal handler: fixed slots, a flag each, unlink().

namespace {

constexpr int kSlots = 64;
struct TSlot {
    volatile std::sig_atomic_t Used = 0;
    char Path[PATH_MAX] = {};
};
TSlot g_Slots[kSlots];
struct sigaction g_Previous[3];
constexpr int kSignals[3] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void RemoveTempFilesAndDie(int signal)
{
    for (TSlot& slot : g_Slots)
        if (slot.Used) ::unlink(slot.Path);
    for (int i = 0; i < 3; ++i)
        if (kSignals[i] == signal) ::sigaction(signal, &g_Previous[i], nullptr);
    // Blocked until the handler returns, then ends the process as it would have.
    ::raise(signal);
}

void InstallHandlers()
{
    static bool installed = false;
    if (installed) return;
    installed = true;
    for (int i = 0; i < 3; ++i) {
        struct sigaction current {};
        ::sigaction(kSignals[i], nullptr, &current);
        // A program that ignores or handles the signal itself keeps doing so.
        if (current.sa_handler != SIG_DFL || (current.sa_flags & SA_SIGINFO)) continue;
        struct sigaction action {};
        action.sa_handler = RemoveTempFilesAndDie;
        sigemptyset(&action.sa_mask);
        ::sigaction(kSignals[i], &action, &g_Previous[i]);
    }
}

int RegisterTemp(const std::string& path)
{
    if (path.size() >= PATH_MAX) return -1;
    InstallHandlers();
    for (int i = 0; i < kSlots; ++i) {
        if (g_Slots[i].Used) continue;
        std::memcpy(g_Slots[i].Path, path.c_str(), path.size() + 1);
        g_Slots[i].Used = 1;
        return i;
    }
    return -1;
}

void UnregisterTemp(int slot)
{
    if (slot >= 0) g_Slots[slot].Used = 0;
}

// ---------------------------------------------------------------------------

// A failed step of a save: at creating the file, or later, with the reason.
struct TStepError {
    bool AtCreate;
    std::string Reason;
};

[[noreturn]] void FailCreate(int error) { throw TStepError{true, error ? std::strerror(error) : std::string()}; }
[[noreturn]] void FailWrite(int error) { throw TStepError{false, error ? std::strerror(error) : std::string()}; }

std::string DirectoryOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Files under /dev and /proc are not replaced: /dev/stdout leads through
// /proc/self/fd/1 to whatever standard output is, possibly a regular file.
bool IsSystemPath(const std::string& path)
{
    std::error_code ec;
    const std::string p = fs::absolute(fs::path(path), ec).lexically_normal().string();
    return p.starts_with("/dev/") || p.starts_with("/proc/");
}

mode_t CurrentUmask()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with("Umask:")) return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

// Whole blocks of content go to TFileWriter::WriteBlock.
constexpr size_t kBlock = 4096;

// Content that is there whole already.
TFileWriter::TContentProducer WholeContent(std::string_view content)
{
    return [content](const TFileWriter::TContentSink& out) { out(content); };
}

} // namespace

struct TFileBatch::TPending {
    enum class TKind {
        Rename,  // a finished temporary file waits for its rename
        Direct,  // a device or FIFO, written at commit through Fd
        InPlace, // a writable file in a folder without room for a temporary file
    };
    TKind Kind = TKind::Rename;
    std::string Target;
    std::string TempPath;
    std::string Content;
    std::string DisplayPath;
    int Fd = -1;
    int Slot = -1;
    bool Durable = false;
    // While a temporary file is being written: its stream and the stream's
    // buffer, the content not yet handed on as a whole block, and what the
    // file it replaces was.
    std::FILE* File = nullptr;
    std::unique_ptr<char[]> Buffer;
    std::unique_ptr<char[]> Block;
    size_t BlockUsed = 0;
    bool WriteOk = true;
    int WriteError = 0; // errno of the failed block write
    bool Existed = false;
    struct stat Old {};

    void Discard()
    {
        if (File) {
            std::fclose(File); // closes Fd too: the stream took the descriptor over
            File = nullptr;
            Fd = -1;
        }
        if (Kind == TKind::Rename && !TempPath.empty()) ::unlink(TempPath.c_str());
        TempPath.clear();
        UnregisterTemp(Slot);
        Slot = -1;
        if (Fd >= 0) ::close(Fd);
        Fd = -1;
    }
};

namespace {

using TPending = TFileBatch::TPending;

// Opens a fresh temporary file beside the target (or prepares a direct or
// in-place write) for the content to come; nothing at the target changes yet.
TPending Open(const std::string& path, bool durable)
{
    if (path.empty()) FailCreate(ENOENT);
    if (path.back() == '/') FailCreate(EISDIR);

    TPending pending;
    pending.Durable = durable;
    // Follow symbolic links to the file that gets the content, even when the
    // last one dangles: the link itself stays as it is.
    std::string target = path;
    bool system = IsSystemPath(target);
    for (int hops = 0;; ++hops) {
        struct stat ls {};
        if (::lstat(target.c_str(), &ls) != 0 || !S_ISLNK(ls.st_mode)) break;
        if (hops == 40) FailCreate(ELOOP);
        std::string link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n < 0) FailCreate(errno);
        link.resize(static_cast<size_t>(n));
        target = link.starts_with('/') ? link : DirectoryOf(target) + "/" + link;
        system = system || IsSystemPath(target);
    }

    struct stat& st = pending.Old;
    const bool exists = ::stat(path.c_str(), &st) == 0;
    pending.Existed = exists;
    if (exists && S_ISDIR(st.st_mode)) FailCreate(EISDIR);
    if ((exists && !S_ISREG(st.st_mode)) || system) {
        // Opened through the path as given, which the system resolves itself.
        pending.Kind = TPending::TKind::Direct;
        pending.Fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (pending.Fd < 0) FailCreate(errno);
        pending.Target = path;
        return pending;
    }
    // Checked by its mode bits as well: the superuser may write anything, but a
    // file marked read-only is still not replaced behind the user's back.
    if (exists && ((st.st_mode & 0222) == 0 || ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0))
        throw TStepError{true, "The file is read-only"};
    pending.Target = target;

    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        pending.TempPath = TempNameFor(target);
        fd = ::open(pending.TempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        const int error = errno;
        pending.TempPath.clear();
        if (exists && (error == EACCES || error == EPERM || error == EROFS)) {
            // No temporary file in this folder: write the file in place.
            pending.Kind = TPending::TKind::InPlace;
            pending.Fd = ::open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
            if (pending.Fd < 0) FailCreate(errno);
            return pending;
        }
        FailCreate(error);
    }
    pending.Slot = RegisterTemp(pending.TempPath);

    pending.File = ::fdopen(fd, "wb");
    if (!pending.File) {
        const int error = errno;
        ::close(fd);
        pending.Discard();
        FailCreate(error);
    }
    pending.Fd = fd;
    // A larger buffer than the file system's block: a unit or project file of
    // many megabytes then takes a few hundred system calls, not thousands.
    constexpr size_t kBuffer = 256 * 1024;
    pending.Buffer = std::make_unique_for_overwrite<char[]>(kBuffer);
    std::setvbuf(pending.File, pending.Buffer.get(), _IOFBF, kBuffer);
    pending.Block = std::make_unique_for_overwrite<char[]>(kBlock);
    return pending;
}

// Hands a piece of an opened file's content on: kept for a direct or in-place
// write, otherwise written in blocks of kBlock bytes, however the pieces are
// cut. After a failed block the rest is dropped; Close reports it.
void Put(TFileWriter& writer, TPending& pending, std::string_view piece,
         bool (TFileWriter::*writeBlock)(std::FILE*, const char*, size_t))
{
    if (pending.Kind != TPending::TKind::Rename) {
        pending.Content.append(piece);
        return;
    }
    char* const block = pending.Block.get();
    size_t& used = pending.BlockUsed;
    const auto write = [&](const char* data, size_t size) {
        errno = 0;
        if ((writer.*writeBlock)(pending.File, data, size)) return;
        pending.WriteOk = false;
        pending.WriteError = errno;
    };
    while (pending.WriteOk && !piece.empty()) {
        if (used == 0 && piece.size() >= kBlock) {
            write(piece.data(), kBlock);
            piece.remove_prefix(kBlock);
            continue;
        }
        const size_t n = std::min(kBlock - used, piece.size());
        std::memcpy(block + used, piece.data(), n);
        used += n;
        piece.remove_prefix(n);
        if (used == kBlock) {
            write(block, kBlock);
            used = 0;
        }
    }
}

// Finishes an opened file once all its content was put: the last block, the
// wait for the disk when durable, the old file's owner and mode, the close.
void Close(TFileWriter& writer, TPending& pending, bool (TFileWriter::*writeBlock)(std::FILE*, const char*, size_t))
{
    if (pending.Kind != TPending::TKind::Rename) return;
    if (pending.WriteOk && pending.BlockUsed > 0) {
        errno = 0;
        if (!(writer.*writeBlock)(pending.File, pending.Block.get(), pending.BlockUsed)) {
            pending.WriteOk = false;
            pending.WriteError = errno;
        }
        pending.BlockUsed = 0;
    }
    errno = 0;
    bool ok = pending.WriteOk && std::fflush(pending.File) == 0;
    ok = ok && (!pending.Durable || ::fsync(pending.Fd) == 0);
    int error = pending.WriteOk ? errno : pending.WriteError;
    if (ok) {
        mode_t mode = 0666 & ~CurrentUmask();
        if (pending.Existed) {
            const struct stat& st = pending.Old;
            // Owner and group first: a change of owner may clear set-ID bits.
            if (::fchown(pending.Fd, st.st_uid, st.st_gid) != 0)
                (void)!::fchown(pending.Fd, static_cast<uid_t>(-1), st.st_gid);
            mode = st.st_mode & 07777;
        }
        ok = ::fchmod(pending.Fd, mode) == 0;
        error = errno;
    }
    std::FILE* file = pending.File;
    pending.File = nullptr;
    pending.Fd = -1;
    pending.Buffer.reset();
    pending.Block.reset();
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        pending.Discard();
        FailWrite(error);
    }
}

// Writes content into a fresh temporary file beside the target (or prepares
// a direct or in-place write); nothing at the target changes yet.
TPending Prepare(TFileWriter& writer, const std::string& path, const TFileWriter::TContentProducer& produce,
                 bool durable, bool (TFileWriter::*writeBlock)(std::FILE*, const char*, size_t))
{
    TPending pending = Open(path, durable);
    try {
        produce([&](std::string_view piece) { Put(writer, pending, piece, writeBlock); });
        Close(writer, pending, writeBlock);
    } catch (...) {
        pending.Discard();
        throw;
    }
    return pending;
}

void SyncDirectory(const std::string& path)
{
    const int dir = ::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;
    (void)::fsync(dir);
    ::close(dir);
}

} // namespace

std::string TempNameFor(const std::string& path)
{
    static std::mt19937 rng{std::random_device{}()};
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    const size_t slash = path.rfind('/');
    const size_t start = slash == std::string::npos ? 0 : slash + 1;
    constexpr size_t kSuffix = 11; // ".tmp-" and six characters
    constexpr size_t kNameMax = 255;
    size_t end = path.size();
    if (end - start + kSuffix > kNameMax) {
        end = start + kNameMax - kSuffix;
        // Cut before a whole character, not inside one.
        while (end > start && (static_cast<unsigned char>(path[end]) & 0xC0) == 0x80) --end;
    }
    std::string name = path.substr(0, end) + ".tmp-";
    for (int i = 0; i < 6; ++i) name += kChars[rng() % 36];
    return name;
}

bool FileExists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(fs::path(path), ec);
}

bool TFileWriter::WriteBlock(std::FILE* file, const char* data, size_t size)
{
    return std::fwrite(data, 1, size, file) == size;
}

bool TFileWriter::Commit(const std::string& tempPath, const std::string& path)
{
    return ::rename(tempPath.c_str(), path.c_str()) == 0;
}

namespace {

// Puts one prepared file in place: the rename, or the direct write.
void Finish(TFileWriter& writer, TPending& pending, bool (TFileWriter::*commit)(const std::string&, const std::string&),
            bool (TFileWriter::*writeBlock)(std::FILE*, const char*, size_t))
{
    if (pending.Kind == TPending::TKind::Rename) {
        errno = 0;
        if (!(writer.*commit)(pending.TempPath, pending.Target)) {
            const int error = errno;
            pending.Discard();
            FailWrite(error);
        }
        UnregisterTemp(pending.Slot);
        pending.Slot = -1;
        pending.TempPath.clear();
        if (pending.Durable) SyncDirectory(pending.Target);
        return;
    }
    std::FILE* file = ::fdopen(pending.Fd, "wb");
    if (!file) FailWrite(errno);
    pending.Fd = -1;
    errno = 0;
    const std::string& content = pending.Content;
    bool ok = true;
    for (size_t at = 0; ok && at < content.size(); at += kBlock)
        ok = (writer.*writeBlock)(file, content.data() + at, std::min(kBlock, content.size() - at));
    ok = ok && std::fflush(file) == 0;
    struct stat st {};
    if (ok && ::fstat(fileno(file), &st) == 0 && S_ISREG(st.st_mode)) {
        ok = ::ftruncate(fileno(file), static_cast<off_t>(pending.Content.size())) == 0;
        // Written in place there is no old copy left: wait for the disk.
        ok = ok && ::fsync(fileno(file)) == 0;
    }
    int error = errno;
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok) FailWrite(error);
}

} // namespace

void TFileWriter::ReplaceWhole(const std::string& path, std::string_view content, const std::string& displayPath,
                               bool durable)
{
    ReplaceWhole(path, WholeContent(content), displayPath, durable);
}

void TFileWriter::ReplaceWhole(const std::string& path, const TContentProducer& produce, const std::string& displayPath,
                               bool durable)
{
    TPending pending;
    try {
        pending = Prepare(*this, path, produce, durable, &TFileWriter::WriteBlock);
        Finish(*this, pending, &TFileWriter::Commit, &TFileWriter::WriteBlock);
    } catch (const TStepError& e) {
        pending.Discard();
        if (e.AtCreate) throw EFCreateError(MsgCannotCreate(displayPath), e.Reason);
        throw EWriteError(kMsgStreamWrite, e.Reason);
    }
}

TFileBatch::TFileBatch(TFileWriter& writer, bool durable) : m_Writer(writer), m_Durable(durable) {}

TFileBatch::~TFileBatch()
{
    for (TPending& pending : m_Files) pending.Discard();
}

void TFileBatch::Add(const std::string& path, std::string_view content, const std::string& displayPath)
{
    Add(path, WholeContent(content), displayPath);
}

void TFileBatch::Add(const std::string& path, const TFileWriter::TContentProducer& produce,
                     const std::string& displayPath)
{
    try {
        m_Files.push_back(Prepare(m_Writer, path, produce, m_Durable, &TFileWriter::WriteBlock));
        m_Files.back().DisplayPath = displayPath;
    } catch (const TStepError& e) {
        throw EFCreateError(MsgCannotCreate(displayPath), e.Reason);
    }
}

void TFileBatch::Open(const std::string& path, const std::string& displayPath)
{
    try {
        m_Files.push_back(::Open(path, m_Durable));
        m_Files.back().DisplayPath = displayPath;
        m_Opened.push_back(m_Files.size() - 1);
    } catch (const TStepError& e) {
        throw EFCreateError(MsgCannotCreate(displayPath), e.Reason);
    }
}

void TFileBatch::WriteOpened(const std::function<void(const TSinks&)>& produce)
{
    // The opened files count as written only once every one is finished:
    // after a failure part-way, Commit refuses the batch.
    const std::vector<size_t> opened = m_Opened;
    TSinks sinks;
    for (const size_t i : opened)
        sinks.push_back(
            [this, i](std::string_view piece) { Put(m_Writer, m_Files[i], piece, &TFileWriter::WriteBlock); });
    produce(sinks);
    for (const size_t i : opened) {
        try {
            Close(m_Writer, m_Files[i], &TFileWriter::WriteBlock);
        } catch (const TStepError& e) {
            throw EFCreateError(MsgCannotCreate(m_Files[i].DisplayPath), e.Reason);
        }
    }
    m_Opened.clear();
}

void TFileBatch::Commit()
{
    if (!m_Opened.empty()) throw std::logic_error("TFileBatch::Commit: opened files were not written");
    // Direct and in-place writes first: they are the ones that may still run
    // out of space, and before them nothing has been replaced yet.
    std::stable_partition(m_Files.begin(), m_Files.end(),
                          [](const TPending& p) { return p.Kind != TPending::TKind::Rename; });
    std::vector<std::string> replaced;
    for (TPending& pending : m_Files) {
        try {
            Finish(m_Writer, pending, &TFileWriter::Commit, &TFileWriter::WriteBlock);
            replaced.push_back(pending.DisplayPath);
        } catch (const TStepError& e) {
            std::string reason = e.Reason;
            if (!replaced.empty()) {
                reason += reason.empty() ? "" : "; ";
                reason += "already replaced: ";
                for (size_t i = 0; i < replaced.size(); ++i) reason += (i ? ", " : "") + ValidUtf8(replaced[i]);
            }
            throw EFCreateError(MsgCannotCreate(pending.DisplayPath), reason);
        }
    }
    for (TPending& pending : m_Files) pending.Discard();
    m_Files.clear();
}

TFileWriter& DefaultFileWriter()
{
    static TFileWriter writer;
    return writer;
}
