// LoadFromFile. The text is read twice: the syntax pass checks all of it and
// keeps nothing but the item count of each item list, so that a syntax error
// leaves the project as it was; the apply pass reads it again and hands each
// value to the model's setters as soon as it has read it, in file order.
#include "uProject.h"
#include "uText.h"

#include "uErrors.h"
#include "uRprLexer.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <span>
#include <variant>

namespace {

// The common part of both passes: the current token and the steps that every
// grammar rule takes.
class TRprParserBase {
protected:
    explicit TRprParserBase(std::string_view text) : m_Lexer(text) {}

    void Advance() { m_Token = m_Lexer.Next(); }
    [[noreturn]] void Fail(std::string_view message) const { throw EParserError(MsgOnLine(message, m_Token.Line)); }
    void Expect(char symbol)
    {
        if (!m_Token.IsSymbol(symbol)) Fail(MsgSymbolExpected(symbol));
        Advance();
    }
    std::string_view ExpectIdentifier()
    {
        if (m_Token.Kind != TRprTokenKind::Identifier) Fail(kMsgIdentExpected);
        const std::string_view name = m_Token.Text;
        Advance();
        return name;
    }
    // A position or index written as "[n]"; its value is not used.
    void SkipIndex()
    {
        if (!m_Token.IsSymbol('[')) return;
        Advance();
        if (m_Token.Kind != TRprTokenKind::Integer) Fail(kMsgNumberExpected);
        Advance();
        Expect(']');
    }

    TRprLexer m_Lexer;
    TRprToken m_Token;
};

// ---------------------------------------------------------------------------
// The syntax pass: one function per grammar rule.

class TRprSyntaxPass : TRprParserBase {
public:
    explicit TRprSyntaxPass(std::string_view text) : TRprParserBase(text) {}

    // The item count of every item list, in the order in which the lists begin.
    std::vector<int> Run()
    {
        Advance();
        if (!m_Token.IsObjectKeyword() && m_Lexer.Text().starts_with("\xEF\xBB\xBF"))
            throw EParserError(MsgOnLine(kMsgObjectExpected, m_Token.Line) + kMsgUtf8Bom);
        // Taking the root's "end" reads one more token; the rest is not examined.
        ParseObject();
        return std::move(m_ItemCounts);
    }

private:
    // Values nested deeper than this are refused; no property takes them.
    static constexpr int kMaxDepth = 500;

    void ParseObject()
    {
        if (++m_Depth > kMaxDepth) Fail(kMsgInvalidPropertyValue);
        if (!m_Token.IsObjectKeyword()) Fail(kMsgObjectExpected);
        Advance();
        ExpectIdentifier();
        if (m_Token.IsSymbol(':')) {
            Advance();
            ExpectIdentifier();
        }
        SkipIndex();
        while (!m_Token.IsKeyword("end") && !m_Token.IsObjectKeyword()) ParsePropertyLine();
        while (m_Token.IsObjectKeyword()) ParseObject();
        if (!m_Token.IsKeyword("end")) Fail(kMsgObjectExpected);
        Advance();
        --m_Depth;
    }

    void ParsePropertyLine()
    {
        ExpectIdentifier();
        while (m_Token.IsSymbol('.')) {
            Advance();
            ExpectIdentifier();
        }
        Expect('=');
        ParseValue();
    }

    void ParseValue()
    {
        if (++m_Depth > kMaxDepth) Fail(kMsgInvalidPropertyValue);
        switch (m_Token.Kind) {
            case TRprTokenKind::String:
                Advance();
                while (m_Token.IsSymbol('+')) {
                    Advance();
                    if (m_Token.Kind != TRprTokenKind::String) Fail(kMsgStringExpected);
                    Advance();
                }
                break;
            case TRprTokenKind::Integer:
            case TRprTokenKind::Float: Advance(); break;
            case TRprTokenKind::Identifier:
                Advance();
                while (m_Token.IsSymbol('.')) {
                    Advance();
                    ExpectIdentifier();
                }
                break;
            default:
                if (m_Token.IsSymbol('[')) ParseSet();
                else if (m_Token.IsSymbol('(')) {
                    Advance();
                    while (!m_Token.IsSymbol(')')) ParseValue();
                    Advance();
                } else if (m_Token.IsSymbol('{')) {
                    m_Lexer.SkipBinary();
                    Advance();
                } else if (m_Token.IsSymbol('<')) ParseItemList();
                else Fail(kMsgInvalidPropertyValue);
        }
        --m_Depth;
    }

    void ParseSet()
    {
        Advance(); // "["
        if (m_Token.IsSymbol(']')) {
            Advance();
            return;
        }
        for (;;) {
            if (m_Token.Kind != TRprTokenKind::Identifier && m_Token.Kind != TRprTokenKind::Integer)
                Fail(kMsgIdentExpected);
            Advance();
            if (m_Token.IsSymbol(']')) {
                Advance();
                return;
            }
            Expect(',');
        }
    }

    void ParseItemList()
    {
        Advance(); // "<"
        const size_t slot = m_ItemCounts.size();
        m_ItemCounts.push_back(0);
        int count = 0;
        while (!m_Token.IsSymbol('>')) {
            if (!m_Token.IsKeyword("item")) Fail(kMsgItemExpected);
            Advance();
            SkipIndex();
            while (!m_Token.IsKeyword("end")) ParsePropertyLine();
            Advance();
            ++count;
        }
        Advance();
        m_ItemCounts[slot] = count;
    }

    int m_Depth = 0;
    std::vector<int> m_ItemCounts;
};

// ---------------------------------------------------------------------------
// The published properties of each class: name, kind and setter.

// Any object that a property line can stand on or a dotted name lead to.
using TObject = std::variant<TResProject*, TResLanguageList*, TResStringList*, TResStringConstList*, TResLanguageItem*,
                             TResStringItem*, TResStringConstItem*>;

enum class TPropKind { Integer, String, Boolean, ItemList, ComponentName };

template <class T> struct TProperty {
    std::string_view Name;
    TPropKind Kind;
    // Left and Top are no published properties: a file may set them, but a
    // dotted name cannot pass through them.
    bool Published = true;
    void (*SetInteger)(T&, int32_t) = nullptr;           // Integer
    void (*SetString)(T&, const std::string&) = nullptr; // String, ComponentName
    void (*SetBoolean)(T&, bool) = nullptr;              // Boolean
    TObject (*List)(T&) = nullptr;                       // ItemList: the list object the property holds

    static constexpr TProperty Integer(std::string_view name, void (*set)(T&, int32_t), bool published = true)
    {
        return {name, TPropKind::Integer, published, set};
    }
    static constexpr TProperty String(std::string_view name, void (*set)(T&, const std::string&))
    {
        return {name, TPropKind::String, true, nullptr, set};
    }
    static constexpr TProperty ComponentName(std::string_view name, void (*set)(T&, const std::string&))
    {
        return {name, TPropKind::ComponentName, true, nullptr, set};
    }
    static constexpr TProperty Boolean(std::string_view name, void (*set)(T&, bool))
    {
        return {name, TPropKind::Boolean, true, nullptr, nullptr, set};
    }
    static constexpr TProperty ItemList(std::string_view name, TObject (*list)(T&))
    {
        return {name, TPropKind::ItemList, true, nullptr, nullptr, nullptr, list};
    }
};

template <class T> std::span<const TProperty<T>> Properties();

template <> std::span<const TProperty<TResProject>> Properties()
{
    using P = TProperty<TResProject>;
    static constexpr P kTable[] = {
        P::ComponentName("Name", [](TResProject& p, const std::string& v) { p.SetName(v); }),
        P::Integer("Tag", [](TResProject& p, int32_t v) { p.SetTag(v); }),
        P::ItemList("Languages", [](TResProject& p) -> TObject { return p.Languages(); }),
        P::ItemList("Strings", [](TResProject& p) -> TObject { return p.Strings(); }),
        P::String("OutputDirectory", [](TResProject& p, const std::string& v) { p.SetOutputDirectory(v); }),
        P::String("ConstFileName", [](TResProject& p, const std::string& v) { p.SetConstFileName(v); }),
        P::String("StringIdPrefix", [](TResProject& p, const std::string& v) { p.SetStringIdPrefix(v); }),
        P::String("PtrIdPrefix", [](TResProject& p, const std::string& v) { p.SetPtrIdPrefix(v); }),
        P::String("Comment", [](TResProject& p, const std::string& v) { p.SetComment(v); }),
        // Stored modulo 65536.
        P::Integer(
            "Left", [](TResProject& p, int32_t v) { p.SetLeft(static_cast<uint16_t>(v & 0xFFFF)); }, false),
        P::Integer(
            "Top", [](TResProject& p, int32_t v) { p.SetTop(static_cast<uint16_t>(v & 0xFFFF)); }, false),
    };
    return kTable;
}

template <> std::span<const TProperty<TResLanguageList>> Properties() { return {}; }

template <> std::span<const TProperty<TResStringList>> Properties()
{
    using P = TProperty<TResStringList>;
    static constexpr P kTable[] = {
        P::Integer("NumberIdBase", [](TResStringList& l, int32_t v) { l.SetNumberIdBase(v); }),
    };
    return kTable;
}

template <> std::span<const TProperty<TResStringConstList>> Properties() { return {}; }

template <> std::span<const TProperty<TResLanguageItem>> Properties()
{
    using P = TProperty<TResLanguageItem>;
    static constexpr P kTable[] = {
        P::String("TextId", [](TResLanguageItem& l, const std::string& v) { l.SetTextId(v); }),
        P::Integer("SourceLanguageId", [](TResLanguageItem& l, int32_t v) { l.SetSourceLanguageId(v); }),
        P::Boolean("Visible", [](TResLanguageItem& l, bool v) { l.SetVisible(v); }),
        P::String("ResFileName", [](TResLanguageItem& l, const std::string& v) { l.SetResFileName(v); }),
    };
    return kTable;
}

template <> std::span<const TProperty<TResStringItem>> Properties()
{
    using P = TProperty<TResStringItem>;
    static constexpr P kTable[] = {
        P::String("TextId", [](TResStringItem& s, const std::string& v) { s.SetTextId(v); }),
        P::Integer("NumberId", [](TResStringItem& s, int32_t v) { s.SetNumberId(v); }),
        P::Boolean("Standard", [](TResStringItem& s, bool v) { s.SetStandard(v); }),
        P::Boolean("FixedId", [](TResStringItem& s, bool v) { s.SetFixedId(v); }),
        P::ItemList("StringConsts", [](TResStringItem& s) -> TObject { return s.StringConsts(); }),
    };
    return kTable;
}

template <> std::span<const TProperty<TResStringConstItem>> Properties()
{
    using P = TProperty<TResStringConstItem>;
    static constexpr P kTable[] = {
        P::String("Value", [](TResStringConstItem& t, const std::string& v) { t.SetValue(v); }),
        P::Integer("LanguageId", [](TResStringConstItem& t, int32_t v) { t.SetLanguageId(v); }),
    };
    return kTable;
}

// A property by name, ASCII case ignored; as a step of a dotted name only a
// published one.
template <class T> const TProperty<T>* FindProperty(std::string_view name, bool lastPart)
{
    // No two names of a table differ only in case, so a name spelt as in the
    // table, the usual case, can be looked for first with the cheaper comparison.
    for (const TProperty<T>& p : Properties<T>())
        if ((lastPart || p.Published) && p.Name == name) return &p;
    for (const TProperty<T>& p : Properties<T>())
        if ((lastPart || p.Published) && p.Name.size() == name.size() && SameTextAscii(p.Name, name)) return &p;
    return nullptr;
}

// ---------------------------------------------------------------------------
// The file's bytes, in pages of their own that are not cleared before they
// are read into. The apply pass reads them front to back once and hands back
// what lies behind it, so that the file and the model it becomes are not
// both held whole at the same time.

class TFileText {
public:
    explicit TFileText(size_t capacity) : m_Capacity(std::max(capacity, size_t(1)))
    {
        void* pages = ::mmap(nullptr, m_Capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (pages == MAP_FAILED) throw std::bad_alloc();
        m_Data = static_cast<char*>(pages);
        // Large pages where the system has them: a few hundred faults fewer
        // per megabyte as the file is read in. Only a hint.
        ::madvise(m_Data, m_Capacity, MADV_HUGEPAGE);
    }
    ~TFileText() { ::munmap(m_Data, m_Capacity); }
    TFileText(const TFileText&) = delete;
    TFileText& operator=(const TFileText&) = delete;

    char* Data() { return m_Data; }
    size_t Capacity() const { return m_Capacity; }
    size_t Size = 0; // the bytes read
    std::string_view View() const { return {m_Data, Size}; }

    // The pages that lie wholly some way before offset go back to the system
    // (they read as zeros after that), a megabyte or more at a time.
    void ReleaseBefore(size_t offset)
    {
        constexpr size_t kMargin = 64 * 1024, kStep = 1024 * 1024;
        if (offset < m_Released + kMargin + kStep) return;
        const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
        const size_t end = (offset - kMargin) / page * page;
        ::madvise(m_Data + m_Released, end - m_Released, MADV_DONTNEED);
        m_Released = end;
    }

private:
    char* m_Data = nullptr;
    size_t m_Capacity;
    size_t m_Released = 0; // the pages before it were handed back
};

// ---------------------------------------------------------------------------
// The apply pass: the text once more, now known to be well formed, each value
// stored as soon as it is read.

class TRprApplyPass : TRprParserBase {
public:
    TRprApplyPass(std::string_view text, TResProject& project, std::vector<int> itemCounts,
                  TFileText* release = nullptr)
        : TRprParserBase(text), m_Project(project), m_ItemCounts(std::move(itemCounts)), m_Release(release)
    {
        m_Lexer.SetStringDecoder(&m_Decoder);
    }

    void Run()
    {
        // The root's keyword, class and position do not matter: another class
        // name, "inherited" or "inline" load the same way.
        Advance();
        Advance();
        const std::string_view first = m_Token.Text;
        Advance();
        std::string_view name;
        if (m_Token.IsSymbol(':')) {
            Advance();
            name = first;
            Advance();
        }
        SkipIndex();
        if (!name.empty()) m_Project.SetName(UniqueRootName(std::string(name)));
        const TObject self = &m_Project;
        while (!m_Token.IsKeyword("end") && !m_Token.IsObjectKeyword()) ApplyPropertyLine(self);
        if (m_Token.IsObjectKeyword()) {
            // Nested components are not part of a project.
            Advance();
            std::string_view childName = m_Token.Text, className = m_Token.Text;
            Advance();
            if (m_Token.IsSymbol(':')) {
                Advance();
                className = m_Token.Text;
            }
            throw EReadError(MsgErrorReading(ObjectName(self), childName, MsgClassNotFound(className)));
        }
    }

private:
    // A header name that one of the program's windows has gets "_1", "_2", ...
    static std::string UniqueRootName(const std::string& name)
    {
        static const char* const kWindows[] = {"MainForm", "ChooseLangDlg", "ItemEditDialog", "PrjOptionsDialog",
                                               "AboutBox"};
        auto taken = [](const std::string& n) {
            for (const char* w : kWindows)
                if (SameTextAscii(n, w)) return true;
            return false;
        };
        if (!taken(name)) return name;
        for (int i = 1;; ++i) {
            std::string candidate = name + "_" + std::to_string(i);
            if (!taken(candidate)) return candidate;
        }
    }

    std::string ObjectName(const TObject& object) const
    {
        if (std::holds_alternative<TResProject*>(object))
            return m_Project.Name().empty() ? "TResProject" : m_Project.Name();
        return std::visit(
            [](auto* o) -> std::string {
                if constexpr (std::is_base_of_v<TCollectionItem, std::remove_pointer_t<decltype(o)>>)
                    return o->DisplayName();
                else return {};
            },
            object);
    }

    void ApplyPropertyLine(const TObject& self)
    {
        std::string name(m_Token.Text);
        Advance();
        while (m_Token.IsSymbol('.')) {
            Advance();
            name += '.';
            name += m_Token.Text;
            Advance();
        }
        m_Decoder.Begin(); // before "=" is passed, which reads the value's first token
        Advance();
        try {
            TObject object = self;
            std::string_view rest = name;
            for (size_t dot; (dot = rest.find('.')) != std::string_view::npos; rest.remove_prefix(dot + 1)) {
                const std::string_view part = rest.substr(0, dot);
                object = std::visit([&](auto* o) { return Step(*o, part); }, object);
            }
            std::visit([&](auto* o) { ApplyValue(*o, rest); }, object);
        } catch (const Exception& e) {
            throw EReadError(MsgErrorReading(ObjectName(self), name, e.Message()));
        }
    }

    // One part of a dotted name: it must name a property that holds an object.
    template <class T> static TObject Step(T& object, std::string_view part)
    {
        const TProperty<T>* p = FindProperty<T>(part, false);
        if (!p) throw EReadError(MsgNoProperty(part));
        if (p->Kind != TPropKind::ItemList) throw EReadError(kMsgInvalidPropertyPath);
        return p->List(object);
    }

    template <class T> void ApplyValue(T& object, std::string_view name)
    {
        const TProperty<T>* p = FindProperty<T>(name, true);
        if (!p) throw EReadError(MsgNoProperty(name));
        switch (p->Kind) {
            case TPropKind::Integer: return p->SetInteger(object, IntegerValue());
            case TPropKind::String: return p->SetString(object, StringValue());
            case TPropKind::Boolean: return p->SetBoolean(object, BooleanValue());
            case TPropKind::ComponentName: {
                const std::string& s = StringValue();
                if (!s.empty() && !IsIdentifier(s)) throw EReadError(MsgInvalidComponentName(s));
                return p->SetString(object, s);
            }
            case TPropKind::ItemList:
                if (!m_Token.IsSymbol('<')) throw EReadError(kMsgInvalidPropertyValue);
                return std::visit([&](auto* list) { ReadItems(*list); }, p->List(object));
        }
    }

    [[noreturn]] static void InvalidValue() { throw EReadError(kMsgInvalidPropertyValue); }

    int32_t IntegerValue()
    {
        if (m_Token.Kind != TRprTokenKind::Integer || m_Token.Integer < INT32_MIN || m_Token.Integer > INT32_MAX)
            InvalidValue();
        const auto value = static_cast<int32_t>(m_Token.Integer);
        Advance();
        return value;
    }

    // The parts joined by "+", decoded by the lexer as it read them.
    const std::string& StringValue()
    {
        if (m_Token.Kind != TRprTokenKind::String) InvalidValue();
        Advance();
        while (m_Token.IsSymbol('+')) {
            Advance();
            Advance();
        }
        return m_Decoder.Finish();
    }

    bool BooleanValue()
    {
        if (m_Token.Kind == TRprTokenKind::Identifier) {
            const std::string_view word = m_Token.Text;
            Advance();
            if (!m_Token.IsSymbol('.')) {
                if (SameTextAscii(word, "True")) return true;
                if (SameTextAscii(word, "False")) return false;
            }
        }
        InvalidValue();
    }

    // An item list read into the list object the property holds: a list with
    // items first empties it; every item is appended, so its constructor
    // runs, and then gets its property lines.
    template <class TList> void ReadItems(TList& list)
    {
        if constexpr (requires { list.Add(); }) {
            const int count = m_NextList < m_ItemCounts.size() ? m_ItemCounts[m_NextList] : 0;
            ++m_NextList;
            Advance(); // "<"
            if (m_Token.IsSymbol('>')) {
                Advance();
                return;
            }
            list.Clear();
            list.Reserve(count);
            while (!m_Token.IsSymbol('>')) {
                Advance(); // "item"; an index written as "item [7]" is ignored: items always append
                SkipIndex();
                const TObject item = list.Add();
                while (!m_Token.IsKeyword("end")) ApplyPropertyLine(item);
                Advance();
                if (m_Release) m_Release->ReleaseBefore(m_Token.Start);
            }
            Advance();
        } else {
            InvalidValue(); // only lists hold items
        }
    }

    TResProject& m_Project;
    TRprStringDecoder m_Decoder;
    std::vector<int> m_ItemCounts; // from the syntax pass
    size_t m_NextList = 0;
    TFileText* m_Release; // not owned; handed back what was read, when given
};

// The whole file, refusing what cannot be a project file before reading it.
std::unique_ptr<TFileText> ReadProjectFile(const std::string& path)
{
    // Non-blocking, so that opening a FIFO does not wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) throw EFOpenError(MsgCannotOpen(path), std::strerror(errno));
    struct TCloser {
        int Fd;
        ~TCloser() { ::close(Fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) throw EFOpenError(MsgCannotOpen(path), std::strerror(errno));
    if (!S_ISREG(st.st_mode)) throw EFOpenError(MsgNotRegularFile(path));
    if (st.st_size > kMaxProjectFileSize) throw EFOpenError(MsgFileTooLarge(path));
    // Sized from fstat; a file that grew since then is noticed by a small
    // read at the end and only then read on in growing steps.
    auto text = std::make_unique<TFileText>(static_cast<size_t>(st.st_size));
    size_t used = 0;
    auto readSome = [&](char* to, size_t room) {
        for (;;) {
            const ssize_t n = ::read(fd, to, room);
            if (n >= 0) return static_cast<size_t>(n);
            if (errno != EINTR) throw EFOpenError(MsgCannotOpen(path), std::strerror(errno));
        }
    };
    for (;;) {
        if (used == text->Capacity()) {
            char probe[4096];
            const size_t n = readSome(probe, sizeof probe);
            if (n == 0) break;
            if (used + n > static_cast<size_t>(kMaxProjectFileSize)) throw EFOpenError(MsgFileTooLarge(path));
            auto grown = std::make_unique<TFileText>(
                std::min(static_cast<size_t>(kMaxProjectFileSize), std::max(used * 2, used + 65536)));
            std::memcpy(grown->Data(), text->Data(), used);
            text = std::move(grown);
            std::memcpy(text->Data() + used, probe, n);
            used += n;
            continue;
        }
        const size_t n = readSome(text->Data() + used, text->Capacity() - used);
        if (n == 0) break;
        used += n;
    }
    text->Size = used;
    return text;
}

} // namespace

void TResProject::LoadFromText(std::string_view text)
{
    std::vector<int> itemCounts = TRprSyntaxPass(text).Run();
    TRprApplyPass(text, *this, std::move(itemCounts)).Run();
}

void TResProject::LoadFromFile(const std::string& path)
{
    const std::unique_ptr<TFileText> text = ReadProjectFile(path);
    std::vector<int> itemCounts = TRprSyntaxPass(text->View()).Run();
    TRprApplyPass(text->View(), *this, std::move(itemCounts), text.get()).Run();
    m_FileName = path;
    m_Modified = false;
}
