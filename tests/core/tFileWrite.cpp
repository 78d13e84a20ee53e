// What a save does to the file system besides putting the new content in
// place: permissions, links, owners, devices, signals, long names, batches.
#include "tHelpers.h"

#include "uFileWrite.h"
#include "uOverwritePrompt.h"

#include <csignal>
#include <functional>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

struct stat StatOf(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

std::vector<std::string> NamesIn(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void Fill(TResProject& p)
{
    AddLanguage(p, "EN");
    AddText(AddItem(p, "Hello", 1), 0, "Hello");
}

// Runs body in a child process, as the user "nobody" when the tests run as
// root (the superuser passes every permission check); the child's exit
// status is the result.
int InChild(const std::function<int()>& body, bool asNobody)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (asNobody && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(100);
        int rc = 101;
        try {
            rc = body();
        } catch (...) {
            rc = 102;
        }
        ::_exit(rc);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

} // namespace

TEST(SafeSave, AReadOnlyFileIsNotReplaced)
{
    TTempDir dir;
    const std::string path = dir / "p.rpr";
    WriteBytes(path, "old");
    ::chmod(path.c_str(), 0444);
    TResProject p;
    Fill(p);
    try {
        p.SaveToFile(path);
        ADD_FAILURE() << "a read-only file was replaced";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Cannot create file " + path);
        EXPECT_EQ(e.Reason(), "The file is read-only");
    }
    EXPECT_EQ(ReadBytes(path), "old");
    EXPECT_EQ(StatOf(path).st_mode & 07777, 0444u);

    // The same for a unit, even when the user said Yes.
    p.SetOutputDirectory(dir.Path().string());
    WriteBytes(dir / "ResStrEN.pas", "old unit");
    ::chmod((dir / "ResStrEN.pas").c_str(), 0400);
    TScriptedPrompt yes;
    EXPECT_THROW_MSG(p.WriteLanguageUnit(p.Languages()->Items(0), yes), EFCreateError,
                     "Cannot create file " + (dir / "ResStrEN.pas"));
    EXPECT_EQ(ReadBytes(dir / "ResStrEN.pas"), "old unit");
    EXPECT_EQ(NamesIn(dir.Path()), (std::vector<std::string>{"ResStrEN.pas", "p.rpr"}));
}

TEST(SafeSave, ASymlinkStaysALinkAndItsTargetGetsTheContent)
{
    TTempDir dir;
    fs::create_directory(dir.Path() / "real");
    WriteBytes(dir / "real/p.rpr", "old");
    ::chmod((dir / "real/p.rpr").c_str(), 0640);
    fs::create_symlink("real/p.rpr", dir.Path() / "link.rpr");
    TResProject p;
    Fill(p);
    p.SaveToFile(dir / "link.rpr");
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "link.rpr"));
    EXPECT_EQ(fs::read_symlink(dir.Path() / "link.rpr"), fs::path("real/p.rpr"));
    EXPECT_EQ(ReadBytes(dir / "real/p.rpr"), p.SaveToText());
    EXPECT_EQ(StatOf(dir / "real/p.rpr").st_mode & 07777, 0640u);
    EXPECT_EQ(p.FileName(), dir / "link.rpr");

    // A link whose target does not exist yet: the target is created.
    fs::create_symlink("real/new.rpr", dir.Path() / "dangling.rpr");
    p.SaveToFile(dir / "dangling.rpr");
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "dangling.rpr"));
    EXPECT_EQ(ReadBytes(dir / "real/new.rpr"), p.SaveToText());
    EXPECT_EQ(NamesIn(dir.Path() / "real"), (std::vector<std::string>{"new.rpr", "p.rpr"}));
}

TEST(SafeSave, ModeOwnerAndGroupAreKept)
{
    TTempDir dir;
    const std::string path = dir / "p.rpr";
    WriteBytes(path, "old");
    ::chmod(path.c_str(), 0604);
    const bool root = ::geteuid() == 0;
    if (root) ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    TResProject p;
    Fill(p);
    p.SaveToFile(path);
    const struct stat st = StatOf(path);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    if (root) {
        EXPECT_EQ(st.st_uid, 65534u);
        EXPECT_EQ(st.st_gid, 65534u);
    }
    EXPECT_EQ(ReadBytes(path), p.SaveToText());
}

TEST(SafeSave, TheTemporaryFileIsForItsOwnerOnly)
{
    TTempDir dir;
    const mode_t oldMask = ::umask(022);
    // The mode of the temporary file while it is being written.
    std::vector<unsigned> modes;
    TBlockHook probe([&modes](std::FILE* file, size_t) {
        struct stat st {};
        ::fstat(fileno(file), &st);
        modes.push_back(st.st_mode & 07777);
        return true;
    });
    TResProject p;
    Fill(p);
    p.SaveToFile(dir / "new.rpr", probe);
    ::umask(oldMask);
    ASSERT_FALSE(modes.empty());
    EXPECT_EQ(modes.front(), 0600u);
    // A new file gets the mode any new file gets.
    EXPECT_EQ(StatOf(dir / "new.rpr").st_mode & 07777, 0644u);
}

TEST(SafeSave, DevicesAndFifosAreWrittenNotReplaced)
{
    TTempDir dir;
    TResProject p;
    Fill(p);
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] {
        std::ifstream in(fifo, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        received = s.str();
    });
    p.SaveToFile(fifo);
    reader.join();
    EXPECT_EQ(received, p.SaveToText());
    EXPECT_TRUE(S_ISFIFO(StatOf(fifo).st_mode));

    // A link to the null device: both stay as they are.
    fs::create_symlink("/dev/null", dir.Path() / "null.rpr");
    p.SaveToFile(dir / "null.rpr");
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "null.rpr"));
    EXPECT_TRUE(S_ISCHR(StatOf("/dev/null").st_mode));

    // A full device: the write fails with the system's reason.
    fs::create_symlink("/dev/full", dir.Path() / "full.rpr");
    try {
        p.SaveToFile(dir / "full.rpr");
        ADD_FAILURE() << "no error from a full device";
    } catch (const EWriteError& e) {
        EXPECT_EQ(e.Message(), "Stream write error");
        EXPECT_EQ(e.Reason(), "No space left on device");
    }
    EXPECT_EQ(NamesIn(dir.Path()), (std::vector<std::string>{"fifo", "full.rpr", "null.rpr"}));
}

TEST(SafeSave, AnInterruptedSaveRemovesItsTemporaryFile)
{
    for (int signal : {SIGINT, SIGTERM}) {
        TTempDir dir;
        const std::string path = dir / "p.rpr";
        WriteBytes(path, "old");
        const int rc = InChild(
            [&] {
                TResProject p;
                for (int i = 0; i < 300; ++i) AddItem(p, "item" + std::to_string(i), i + 1);
                // The signal arrives while the second block is written.
                int blocks = 0;
                TBlockHook writer([&](std::FILE*, size_t) {
                    if (++blocks == 2) ::raise(signal);
                    return true;
                });
                p.SaveToFile(path, writer);
                return 0;
            },
            false);
        EXPECT_EQ(rc, -signal) << "the process ends as the signal says";
        EXPECT_EQ(NamesIn(dir.Path()), std::vector<std::string>{"p.rpr"}) << strsignal(signal);
        EXPECT_EQ(ReadBytes(path), "old");
    }
}

TEST(SafeSave, ALeftoverTemporaryFileIsNoObstacle)
{
    TTempDir dir;
    const std::string path = dir / "p.rpr";
    const std::string leftover = TempNameFor(path);
    WriteBytes(leftover, "from a killed run");
    TResProject p;
    Fill(p);
    p.SaveToFile(path);
    p.SaveToFile(path);
    EXPECT_EQ(ReadBytes(path), p.SaveToText());
    EXPECT_EQ(NamesIn(dir.Path()).size(), 2u);
}

TEST(SafeSave, NamesNearTheLimitStillSave)
{
    TTempDir dir;
    const std::string ascii = std::string(251, 'a') + ".rpr";
    std::string czech;
    for (int i = 0; i < 125; ++i) czech += "\xC4\x8D"; // č
    czech += ".rpr";                                   // 254 bytes
    for (const std::string& name : {ascii, czech}) {
        const std::string temp = fs::path(TempNameFor(dir / name)).filename().string();
        EXPECT_LE(temp.size(), 255u);
        EXPECT_EQ(ValidUtf8(temp), temp) << "cut between characters";
        TResProject p;
        Fill(p);
        p.SaveToFile(dir / name);
        EXPECT_EQ(ReadBytes(dir / name), p.SaveToText());
    }
    EXPECT_EQ(NamesIn(dir.Path()).size(), 2u);
}

TEST(SafeSave, AFolderWithoutWriteAccessSavesAWritableFileInPlace)
{
    TTempDir dir;
    const bool root = ::geteuid() == 0;
    fs::create_directory(dir.Path() / "locked");
    const std::string path = dir / "locked/p.rpr";
    const std::string readOnly = dir / "locked/r.rpr";
    WriteBytes(path, std::string(10000, 'x')); // longer than the new text: the rest is cut off
    WriteBytes(readOnly, "old");
    ::chmod(path.c_str(), 0666);
    ::chmod(readOnly.c_str(), 0644);
    ::chmod(dir.Path().c_str(), 0755);
    ::chmod((dir.Path() / "locked").c_str(), root ? 0755 : 0555);
    const ino_t inode = StatOf(path).st_ino;
    TResProject p;
    Fill(p);
    const std::string text = p.SaveToText();

    EXPECT_EQ(InChild(
                  [&] {
                      TResProject q;
                      Fill(q);
                      q.SaveToFile(path);
                      return 0;
                  },
                  root),
              0);
    EXPECT_EQ(ReadBytes(path), text);
    EXPECT_EQ(StatOf(path).st_ino, inode) << "written in place";
    // A file the user may not write is refused, as before.
    EXPECT_EQ(InChild(
                  [&] {
                      TResProject q;
                      Fill(q);
                      try {
                          q.SaveToFile(readOnly);
                      } catch (const EFCreateError&) {
                          return 7;
                      }
                      return 0;
                  },
                  root),
              7);
    EXPECT_EQ(ReadBytes(readOnly), "old");
    ::chmod((dir.Path() / "locked").c_str(), 0755);
    EXPECT_EQ(NamesIn(dir.Path() / "locked"), (std::vector<std::string>{"p.rpr", "r.rpr"}));
}

namespace {

// Refuses the rename of the n-th file (counting from 1).
class TFailingRename : public TFileWriter {
public:
    explicit TFailingRename(int n) : m_N(n) {}

protected:
    bool Commit(const std::string& tempPath, const std::string& path) override
    {
        if (++m_Count == m_N) {
            errno = EIO;
            return false;
        }
        return TFileWriter::Commit(tempPath, path);
    }

private:
    int m_N;
    int m_Count = 0;
};

} // namespace

TEST(FileBatch, NothingIsReplacedUntilEveryFileIsWritten)
{
    TTempDir dir;
    TResProject p;
    Fill(p);
    AddLanguage(p, "CZ");
    p.SetOutputDirectory(dir.Path().string());
    for (const char* name : {"ResStr.pas", "ResStrEN.pas", "ResStrCZ.pas"}) WriteBytes(dir / name, "old");
    ::chmod((dir / "ResStrCZ.pas").c_str(), 0444);
    TScriptedPrompt yes;
    EXPECT_THROW_MSG(p.WriteUnits(yes), EFCreateError, "Cannot create file " + (dir / "ResStrCZ.pas"));
    for (const char* name : {"ResStr.pas", "ResStrEN.pas", "ResStrCZ.pas"})
        EXPECT_EQ(ReadBytes(dir / name), "old") << name;
    EXPECT_EQ(NamesIn(dir.Path()).size(), 3u) << "no temporary file is left";

    ::chmod((dir / "ResStrCZ.pas").c_str(), 0644);
    p.WriteUnits(yes);
    EXPECT_EQ(ReadBytes(dir / "ResStrCZ.pas"), p.LanguageUnitText(p.Languages()->Items(1)));
    EXPECT_EQ(ReadBytes(dir / "ResStr.pas"), p.ConstUnitText());
}

TEST(FileBatch, AFailedRenameSaysWhichFilesWereReplaced)
{
    TTempDir dir;
    TFailingRename writer(3);
    TFileBatch batch(writer);
    for (const char* name : {"a.pas", "b.pas", "c.pas"}) {
        WriteBytes(dir / name, "old");
        batch.Add(dir / name, "new", std::string("out/") + name);
    }
    try {
        batch.Commit();
        ADD_FAILURE() << "no error";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Cannot create file out/c.pas");
        EXPECT_EQ(e.Reason(), "Input/output error; already replaced: out/a.pas, out/b.pas");
    }
    EXPECT_EQ(ReadBytes(dir / "a.pas"), "new");
    EXPECT_EQ(ReadBytes(dir / "c.pas"), "old");
    EXPECT_EQ(NamesIn(dir.Path()).size(), 3u);
}

TEST(FileBatch, AFullDiskNamesTheUnitAndTheReason)
{
    TTempDir dir;
    TResProject p;
    Fill(p);
    AddLanguage(p, "CZ");
    fs::create_directory(dir.Path() / "out");
    p.SaveToFile(dir / "p.rpr");
    p.SetOutputDirectory("out");
    fs::create_symlink("/dev/full", dir.Path() / "out/ResStrCZ.pas");
    TScriptedPrompt yes;
    try {
        p.WriteUnits(yes);
        ADD_FAILURE() << "no error";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Cannot create file out/ResStrCZ.pas");
        EXPECT_EQ(e.Reason(), "No space left on device");
    }
    EXPECT_EQ(NamesIn(dir.Path() / "out"), std::vector<std::string>{"ResStrCZ.pas"}) << "nothing else was written";
}

TEST(FileBatch, FilesWrittenTogetherGetTheirOwnContent)
{
    TTempDir dir;
    WriteBytes(dir / "a.pas", "old a");
    fs::create_symlink("target.pas", dir.Path() / "link.pas");
    // Pieces of every size, one file's after another's, as units composed
    // side by side hand them on.
    const auto piece = [](int file, int n) { return std::string(size_t(n * 997 % 9000), char('a' + file)); };
    const auto expected = [&](int file) {
        std::string text;
        for (int n = 0; n < 40; ++n) text += piece(file, n);
        return text;
    };
    {
        TFileBatch batch(DefaultFileWriter());
        batch.Open(dir / "a.pas", "a.pas");
        batch.Open(dir / "b.pas", "b.pas");
        batch.Open(dir / "link.pas", "link.pas");
        EXPECT_THROW(batch.Commit(), std::logic_error) << "the opened files are not written yet";
        batch.WriteOpened([&](const TFileBatch::TSinks& sinks) {
            ASSERT_EQ(sinks.size(), 3u);
            for (int n = 0; n < 40; ++n)
                for (int file = 0; file < 3; ++file) sinks[size_t(file)](piece(file, n));
        });
        EXPECT_EQ(ReadBytes(dir / "a.pas"), "old a") << "nothing is replaced before Commit";
        batch.Commit();
    }
    EXPECT_EQ(ReadBytes(dir / "a.pas"), expected(0));
    EXPECT_EQ(ReadBytes(dir / "b.pas"), expected(1));
    EXPECT_EQ(ReadBytes(dir / "target.pas"), expected(2));
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "link.pas"));
    EXPECT_EQ(NamesIn(dir.Path()), (std::vector<std::string>{"a.pas", "b.pas", "link.pas", "target.pas"}));
}

TEST(FileBatch, AFailedWriteAmongFilesWrittenTogetherNamesItsFile)
{
    TTempDir dir;
    for (const char* name : {"a.pas", "b.pas", "c.pas"}) WriteBytes(dir / name, "old");
    // Only the second file's content ends in a block of 100 bytes.
    TBlockHook writer([](std::FILE*, size_t size) {
        if (size != 100) return true;
        errno = ENOSPC;
        return false;
    });
    try {
        TFileBatch batch(writer);
        for (const char* name : {"a.pas", "b.pas", "c.pas"}) batch.Open(dir / name, std::string("out/") + name);
        batch.WriteOpened([](const TFileBatch::TSinks& sinks) {
            sinks[2](std::string(5000, 'c'));
            sinks[1](std::string(4196, 'b'));
            sinks[0](std::string(8192, 'a'));
        });
        ADD_FAILURE() << "no error";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Cannot create file out/b.pas");
        EXPECT_EQ(e.Reason(), "No space left on device");
    }
    for (const char* name : {"a.pas", "b.pas", "c.pas"}) EXPECT_EQ(ReadBytes(dir / name), "old") << name;
    EXPECT_EQ(NamesIn(dir.Path()).size(), 3u) << "no temporary file is left";

    // A batch whose writing failed part-way is not committed.
    TFileBatch batch(DefaultFileWriter());
    batch.Open(dir / "a.pas", "a.pas");
    EXPECT_THROW(batch.WriteOpened([](const TFileBatch::TSinks&) { throw EAbort(); }), EAbort);
    EXPECT_THROW(batch.Commit(), std::logic_error);
    EXPECT_EQ(ReadBytes(dir / "a.pas"), "old");
}
