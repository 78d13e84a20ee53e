#include "uFileWrite.h"

#include "uErrors.h"

#include <filesystem>
#include <random>
#include <system_error>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

std::string TempNameFor(const std::string& path)
{
    static std::mt19937 rng{std::random_device{}()};
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = path + ".tmp-";
    for (int i = 0; i < 8; ++i) name += kChars[rng() % 36];
    return name;
}

} // namespace

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
    std::error_code ec;
    fs::rename(fs::path(tempPath), fs::path(path), ec);
    return !ec;
}

void TFileWriter::ReplaceWhole(const std::string& path, std::string_view content, const std::string& displayPath,
                               bool durable)
{
    std::error_code ec;
    const fs::path target(path);
    if (path.empty() || path.back() == '/' || fs::is_directory(target, ec))
        throw EFCreateError(MsgCannotCreate(displayPath));

    std::string tempPath;
    std::FILE* file = nullptr;
    for (int attempt = 0; attempt < 16 && !file; ++attempt) {
        tempPath = TempNameFor(path);
        file = std::fopen(tempPath.c_str(), "wbx");
        if (!file && errno != EEXIST) break;
    }
    if (!file) throw EFCreateError(MsgCannotCreate(displayPath));

    bool ok = true;
    for (size_t pos = 0; ok && pos < content.size(); pos += 4096) {
        size_t n = std::min<size_t>(4096, content.size() - pos);
        ok = WriteBlock(file, content.data() + pos, n);
    }
    ok = ok && std::fflush(file) == 0;
#ifndef _WIN32
    ok = ok && (!durable || ::fsync(fileno(file)) == 0);
#endif
    ok = (std::fclose(file) == 0) && ok;

    if (ok) {
        // Keep the permissions of the file being replaced.
        auto st = fs::status(target, ec);
        if (!ec && fs::exists(st)) fs::permissions(fs::path(tempPath), st.permissions(), ec);
        ok = Commit(tempPath, path);
    }
    if (!ok) {
        fs::remove(fs::path(tempPath), ec);
        throw EWriteError(kMsgStreamWrite);
    }
}

TFileWriter& DefaultFileWriter()
{
    static TFileWriter writer;
    return writer;
}
