// Small builders shared by the core tests.
#pragma once

#include "uErrors.h"
#include "uFileWrite.h"
#include "uOverwritePrompt.h"
#include "uProject.h"
#include "uText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

inline TResLanguageItem* AddLanguage(TResProject& p, const std::string& id, bool visible = true, int32_t source = -1)
{
    TResLanguageItem* l = p.Languages()->Add();
    l->SetTextId(id);
    l->SetVisible(visible);
    l->SetSourceLanguageId(source);
    return l;
}

inline TResStringItem* AddItem(TResProject& p, const std::string& textId, int32_t number, bool fixed = false)
{
    TResStringItem* s = p.Strings()->Add();
    s->SetTextId(textId);
    s->SetNumberId(number);
    s->SetFixedId(fixed);
    return s;
}

inline TResStringConstItem* AddText(TResStringItem* item, int32_t languageId, const std::string& value)
{
    TResStringConstItem* t = item->StringConsts()->Add();
    t->SetValue(value);
    t->SetLanguageId(languageId);
    return t;
}

inline std::string ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// LF line ends to the CR LF of every file this program writes.
inline std::string Crlf(const std::string& text)
{
    std::string r;
    for (char c : text) {
        if (c == '\n') r += '\r';
        r += c;
    }
    return r;
}

// The overwrite question answered from a script (Yes once the script runs
// out), with every path it was asked about.
class TScriptedPrompt : public TOverwritePrompt {
public:
    std::vector<bool> Answers;
    std::vector<std::string> Asked;
    bool AskOverwrite(const std::string& path) override
    {
        Asked.push_back(path);
        const bool answer = Answers.empty() || Answers.front();
        if (!Answers.empty()) Answers.erase(Answers.begin());
        return answer;
    }
};

// How many entries a folder holds (temporary files left behind count too).
inline size_t FilesIn(const std::filesystem::path& dir)
{
    return static_cast<size_t>(
        std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()));
}

// A fresh folder under the system's temporary folder, removed at the end.
class TTempDir {
public:
    TTempDir()
    {
        static int counter = 0;
        m_Path = std::filesystem::temp_directory_path() /
            ("quillet-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(m_Path);
        std::filesystem::create_directories(m_Path);
    }
    ~TTempDir() { std::filesystem::remove_all(m_Path); }
    const std::filesystem::path& Path() const { return m_Path; }
    std::string operator/(const std::string& name) const { return (m_Path / name).string(); }

private:
    std::filesystem::path m_Path;
};

#define EXPECT_THROW_MSG(stmt, type, msg)                                                                              \
    do {                                                                                                               \
        try {                                                                                                          \
            stmt;                                                                                                      \
            ADD_FAILURE() << "no exception from " #stmt;                                                               \
        } catch (const type& e) {                                                                                      \
            EXPECT_EQ(std::string(e.what()), std::string(msg));                                                        \
        } catch (const std::exception& e) {                                                                            \
            ADD_FAILURE() << "wrong exception type: " << e.what();                                                     \
        }                                                                                                              \
    } while (0)

// A file writer that shows each block of at most 4096 bytes to a test's hook
// before writing it; the block is written, and the save goes on, while the
// hook returns true.
class TBlockHook : public TFileWriter {
public:
    explicit TBlockHook(std::function<bool(std::FILE*, size_t)> hook) : m_Hook(std::move(hook)) {}

protected:
    bool WriteBlock(std::FILE* file, const char* data, size_t size) override
    {
        return m_Hook(file, size) && TFileWriter::WriteBlock(file, data, size);
    }

private:
    std::function<bool(std::FILE*, size_t)> m_Hook;
};
