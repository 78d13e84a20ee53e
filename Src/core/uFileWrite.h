// Writing files whole: into a temporary file beside the target, then renamed
// over it, so that a failure never leaves a half-written or emptied file behind.
//
// What a save keeps of the file it replaces:
// - a read-only file is not replaced: the save fails as "Cannot create file";
// - a symbolic link stays a link; the file it points to gets the content;
// - mode, and owner and group where the process may set them, stay as they
//   were; the temporary file is readable by its owner only while it is written;
// - a target that is not a regular file (a device, a FIFO, /dev/stdout) is
//   written directly and never replaced by a regular file;
// - in a folder where no temporary file can be made, a writable file is
//   written in place and synced to the disk;
// - SIGINT, SIGTERM and SIGHUP during a save remove its temporary files.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TFileWriter {
public:
    virtual ~TFileWriter() = default;

    // Replaces the file at path with content. Raises EFCreateError with
    // displayPath when the file cannot be created there, EWriteError when
    // writing or replacing fails; both carry the system's reason. The old
    // file stays as it was on failure. A durable write also waits until the
    // data is on the disk before the rename, so that not even a crash can cost
    // the old file.
    void ReplaceWhole(const std::string& path, std::string_view content, const std::string& displayPath,
                      bool durable = true);
    // The same for content composed while it is written: produce hands each
    // piece, in order, to the function it is given, and so never needs to
    // hold the whole content at once.
    using TContentSink = std::function<void(std::string_view)>;
    using TContentProducer = std::function<void(const TContentSink&)>;
    void ReplaceWhole(const std::string& path, const TContentProducer& produce, const std::string& displayPath,
                      bool durable = true);

protected:
    // One block of at most 4096 bytes; false reports a failed write.
    virtual bool WriteBlock(std::FILE* file, const char* data, size_t size);
    // Moves the finished temporary file over the target.
    virtual bool Commit(const std::string& tempPath, const std::string& path);

private:
    friend class TFileBatch;
};

// Several files replaced together: Add writes each into its temporary file,
// Commit renames them all. A batch that ends without Commit (an error, a
// declined question) removes its temporary files and replaces nothing, so a
// failure part-way never leaves a mix of old and new files.
class TFileBatch {
public:
    explicit TFileBatch(TFileWriter& writer, bool durable = false);
    ~TFileBatch();
    TFileBatch(const TFileBatch&) = delete;
    TFileBatch& operator=(const TFileBatch&) = delete;

    // Raises EFCreateError "Cannot create file displayPath" with the reason
    // for any failure; the files added before stay pending.
    void Add(const std::string& path, std::string_view content, const std::string& displayPath);
    // The same, with the content written piece by piece as produce makes it.
    void Add(const std::string& path, const TFileWriter::TContentProducer& produce, const std::string& displayPath);
    // Files whose contents are composed side by side, in one pass: Open makes
    // each ready, with the errors of Add, and WriteOpened then hands produce
    // one sink for each file opened since, in the order they were opened, and
    // finishes them. Should writing fail, the first of them that failed is
    // named. Commit needs every opened file written.
    void Open(const std::string& path, const std::string& displayPath);
    using TSinks = std::vector<TFileWriter::TContentSink>;
    void WriteOpened(const std::function<void(const TSinks&)>& produce);
    // Replaces every added file. Should one fail, the reason names the files
    // already replaced.
    void Commit();

    struct TPending;

private:
    TFileWriter& m_Writer;
    bool m_Durable;
    std::vector<TPending> m_Files;
    std::vector<size_t> m_Opened; // in m_Files: opened, not yet written
};

// The writer used when the caller brings none.
TFileWriter& DefaultFileWriter();

// True when a regular file (not a folder) exists at path.
bool FileExists(const std::string& path);

// The name of a temporary file beside path: the file's name, cut so that the
// whole name stays within 255 bytes, then ".tmp-" and six random characters.
std::string TempNameFor(const std::string& path);
