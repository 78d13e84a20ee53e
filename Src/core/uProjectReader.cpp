// LoadFromFile and LoadFromText: the project file notation read into the model.
#include "uProject.h"
#include "uText.h"
#include "uWords.h"

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

// ---------------------------------------------------------------------------
// The published properties of each class: name, kind and setter.

// Any object that a property line can stand on or a dotted name lead to;
// monostate: none, the line is only checked.
using TObject = std::variant<std::monostate, TResProject*, TResLanguageList*, TResStringList*, TResStringConstList*,
                             TResLanguageItem*, TResStringItem*, TResStringConstItem*>;

enum class TPropKind { Integer, String, Boolean, ItemList, ComponentName };

template <class T> struct TProperty {
    std::string_view Name;
    TPropKind Kind;
    // Left and Top are no published properties: a file may set them, but a
    // dotted name cannot pass through them.
    bool Published = true;
    void (*SetInteger)(T&, int32_t) = nullptr;         // Integer
    void (*SetString)(T&, std::string_view) = nullptr; // String, ComponentName
    void (*SetBoolean)(T&, bool) = nullptr;            // Boolean
    TObject (*List)(T&) = nullptr;                     // ItemList: the list object the property holds

    static constexpr TProperty Integer(std::string_view name, void (*set)(T&, int32_t), bool published = true)
    {
        return {name, TPropKind::Integer, published, set};
    }
    static constexpr TProperty String(std::string_view name, void (*set)(T&, std::string_view))
    {
        return {name, TPropKind::String, true, nullptr, set};
    }
    static constexpr TProperty ComponentName(std::string_view name, void (*set)(T&, std::string_view))
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
        P::ComponentName("Name", [](TResProject& p, std::string_view v) { p.SetName(std::string(v)); }),
        P::Integer("Tag", [](TResProject& p, int32_t v) { p.SetTag(v); }),
        P::ItemList("Languages", [](TResProject& p) -> TObject { return p.Languages(); }),
        P::ItemList("Strings", [](TResProject& p) -> TObject { return p.Strings(); }),
        P::String("OutputDirectory", [](TResProject& p, std::string_view v) { p.SetOutputDirectory(std::string(v)); }),
        P::String("ConstFileName", [](TResProject& p, std::string_view v) { p.SetConstFileName(std::string(v)); }),
        P::String("StringIdPrefix", [](TResProject& p, std::string_view v) { p.SetStringIdPrefix(std::string(v)); }),
        P::String("PtrIdPrefix", [](TResProject& p, std::string_view v) { p.SetPtrIdPrefix(std::string(v)); }),
        P::String("Comment", [](TResProject& p, std::string_view v) { p.SetComment(std::string(v)); }),
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
        P::String("TextId", [](TResLanguageItem& l, std::string_view v) { l.SetTextId(std::string(v)); }),
        P::Integer("SourceLanguageId", [](TResLanguageItem& l, int32_t v) { l.SetSourceLanguageId(v); }),
        P::Boolean("Visible", [](TResLanguageItem& l, bool v) { l.SetVisible(v); }),
        P::String("ResFileName", [](TResLanguageItem& l, std::string_view v) { l.SetResFileName(std::string(v)); }),
    };
    return kTable;
}

template <> std::span<const TProperty<TResStringItem>> Properties()
{
    using P = TProperty<TResStringItem>;
    static constexpr P kTable[] = {
        P::String("TextId", [](TResStringItem& s, std::string_view v) { s.SetTextId(std::string(v)); }),
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
        P::String("Value", [](TResStringConstItem& t, std::string_view v) { t.SetValue(std::string(v)); }),
        P::Integer("LanguageId", [](TResStringConstItem& t, int32_t v) { t.SetLanguageId(v); }),
    };
    return kTable;
}

// A property by its name spelt exactly as in the table.
template <class T> const TProperty<T>* FindSpeltProperty(std::string_view name)
{
    for (const TProperty<T>& p : Properties<T>())
        if (p.Name.size() == name.size() && Words::SameBytes(p.Name.data(), name.data(), name.size())) return &p;
    return nullptr;
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
// The file's bytes: either pages of their own that are not cleared before
// they are read into, or the file mapped as it stands in the page cache,
// which spares the copy and the clearing. The reader reads them front to
// back once and hands back what lies behind it, so that the file and the
// model it becomes are not both held whole at the same time.

} // namespace

class TProjectFileText {
public:
    // Room for capacity bytes to be read into.
    explicit TProjectFileText(size_t capacity) : m_Capacity(std::max(capacity, size_t(1)))
    {
        void* pages = ::mmap(nullptr, m_Capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (pages == MAP_FAILED) throw std::bad_alloc();
        m_Data = static_cast<char*>(pages);
    }
    // The first size bytes of the open file fd, mapped; nullptr when the
    // system does not map it.
    static std::unique_ptr<TProjectFileText> Map(int fd, size_t size)
    {
        if (size == 0) return nullptr;
        void* pages = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (pages == MAP_FAILED) return nullptr;
        std::unique_ptr<TProjectFileText> text(new TProjectFileText);
        text->m_Data = static_cast<char*>(pages);
        text->m_Capacity = text->Size = size;
        text->m_Mapped = true;
        return text;
    }
    ~TProjectFileText() { ::munmap(m_Data, m_Capacity); }
    TProjectFileText(const TProjectFileText&) = delete;
    TProjectFileText& operator=(const TProjectFileText&) = delete;

    char* Data() { return m_Data; }
    size_t Capacity() const { return m_Capacity; }
    size_t Size = 0; // the bytes read
    std::string_view View() const { return {m_Data, Size}; }
    // Whether the text can be read again after pages were handed back: a
    // mapped file's pages come back from the file, pages of its own as zeros.
    bool CanReadAgain() const { return m_Mapped; }

    // The pages that lie wholly some way before offset go back to the system,
    // a megabyte or more at a time; they are not read again.
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
    TProjectFileText() = default;
    char* m_Data = nullptr;
    size_t m_Capacity = 0;
    size_t m_Released = 0; // the pages before it were handed back
    bool m_Mapped = false;
};

namespace {

// ---------------------------------------------------------------------------
// The reader: one pass over the text that checks its syntax and, while no
// value has failed to apply, hands each value to the model's setters as soon
// as it is read, in file order. Syntax errors are raised where they are met.
// The first value that cannot be applied ends the applying but not the
// reading: a syntax error further on still wins, and only a text that is
// well formed to its end raises that value's error. Without a project the
// reader only checks the syntax.

class TRprReader {
public:
    TRprReader(std::string_view text, TResProject* project, TProjectFileText* release = nullptr)
        : m_Lexer(text), m_Project(project), m_Release(release)
    {
        if (m_Project) m_Lexer.SetStringDecoder(&m_Decoder);
    }

    void Run()
    {
        Advance();
        if (!m_Token.IsObjectKeyword() && m_Lexer.Text().starts_with("\xEF\xBB\xBF"))
            throw EParserError(MsgOnLine(kMsgObjectExpected, m_Token.Line) + kMsgUtf8Bom);
        // Taking the root's "end" reads one more token; the rest is not examined.
        ParseObject(true);
        if (m_Failed) throw EReadError(m_FailMessage);
    }

private:
    // Values nested deeper than this are refused; no property takes them.
    static constexpr int kMaxDepth = 500;
    // A property line being applied: the object it stands on and the parts
    // of its name, the first few without a heap allocation.
    struct TLine {
        static constexpr size_t kKept = 4;
        TLine(const TObject& self, int level) : Self(self), Level(level) {}
        TObject Self;
        int Level; // 0 at the root, 1 in its values' items ...
        std::string_view First[kKept] = {};
        std::vector<std::string_view> More;
        size_t Count = 0;

        void Add(std::string_view part)
        {
            if (Count < kKept) First[Count] = part;
            else More.push_back(part);
            ++Count;
        }
        std::string_view Part(size_t i) const { return i < kKept ? First[i] : More[i - kKept]; }
        // The name in a copy of its own, for a value that outlives the text
        // the name stands in.
        void Keep()
        {
            std::string name = Name();
            Kept = std::move(name);
            First[0] = Kept;
            Count = 1;
            More.clear();
        }
        std::string Kept;
        std::string Name() const
        {
            if (Count == 1) return std::string(First[0]);
            std::string name;
            for (size_t i = 0; i < Count; ++i) {
                if (i) name += '.';
                name += Part(i);
            }
            return name;
        }
    };
    // The property a value goes to.
    struct TTarget {
        TObject Object;       // the object that has the property
        const void* Property; // its TProperty<T>, T the object's class
        TPropKind Kind;
    };

    // --- Tokens and syntax steps

    void Advance() { m_Lexer.Next(m_Token); }
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

    bool Applying() const { return m_Project && !m_Failed; }

    // Keeps the first error of applying; from then on nothing is applied.
    // Each line whose value holds the failed line adds its own name in front
    // once its value is read (ParsePropertyLine).
    void FailApply(const TLine& line, std::string_view message)
    {
        if (m_Failed) return;
        m_Failed = true;
        m_FailMessage = MsgErrorReading(ObjectName(line.Self), line.Name(), message);
        m_FailLevel = line.Level;
    }

    // --- The grammar, one function per rule

    void ParseObject(bool root)
    {
        if (++m_Depth > kMaxDepth) Fail(kMsgInvalidPropertyValue);
        if (!m_Token.IsObjectKeyword()) Fail(kMsgObjectExpected);
        Advance();
        const std::string_view first = ExpectIdentifier();
        std::string_view className = first, name;
        if (m_Token.IsSymbol(':')) {
            Advance();
            name = first;
            className = ExpectIdentifier();
        }
        SkipIndex();
        // The root's keyword, class and position do not matter: another class
        // name, "inherited" or "inline" load the same way.
        const bool apply = root && Applying();
        if (apply && !name.empty()) m_Project->SetName(UniqueRootName(std::string(name)));
        const TObject self = apply ? TObject(m_Project) : TObject();
        while (!m_Token.IsKeyword("end") && !m_Token.IsObjectKeyword()) ParsePropertyLine(self);
        bool firstChild = true;
        while (m_Token.IsObjectKeyword()) {
            m_ChildName = m_ChildClass = {};
            ParseObject(false);
            // Nested components are not part of a project.
            if (firstChild && Applying() && root) {
                TLine line(self, m_LineLevel);
                line.Add(m_ChildName);
                FailApply(line, MsgClassNotFound(m_ChildClass));
            }
            firstChild = false;
        }
        if (!root) {
            m_ChildName = first;
            m_ChildClass = className;
        }
        if (!m_Token.IsKeyword("end")) Fail(kMsgObjectExpected);
        Advance();
        --m_Depth;
    }

    // self is the object the line applies to; none when it is only checked.
    void ParsePropertyLine(const TObject& self)
    {
        TLine line(self, m_LineLevel);
        if (m_Token.Kind != TRprTokenKind::Identifier) Fail(kMsgIdentExpected);
        line.Add(m_Token.Text);
        // The decoder starts before "=" is passed, which reads the value's
        // first token.
        if (m_Lexer.SkipAssignment()) {
            // The usual line: one name, then " =".
            if (m_Project) m_Decoder.Begin();
            Advance();
        } else {
            Advance();
            while (m_Token.IsSymbol('.')) {
                Advance();
                line.Add(ExpectIdentifier());
            }
            if (m_Project) m_Decoder.Begin();
            Expect('=');
        }
        TTarget target{};
        const bool apply = !std::holds_alternative<std::monostate>(self) && Applying() && Resolve(line, target);
        ReadValue(line, apply ? &target : nullptr);
    }

    // The value of a line whose name is read, up to "=" and past it; applied
    // to target when one is given.
    void ReadValue(TLine& line, const TTarget* target)
    {
        // The pages of a list's items are handed back as they are read.
        if (target && m_Release && m_Token.IsSymbol('<')) line.Keep();
        ++m_LineLevel;
        ParseValue(target ? &line : nullptr, target);
        --m_LineLevel;
        if (target) WrapFailure(line);
    }
    // A value that failed within the line's value is named through the line.
    void WrapFailure(const TLine& line)
    {
        if (m_Failed && m_FailLevel > line.Level) {
            m_FailMessage = MsgErrorReading(ObjectName(line.Self), line.Name(), m_FailMessage);
            m_FailLevel = line.Level;
        }
    }

    // Most lines of an item that is applied: one name spelt as its class
    // spells it, " =", and a string or an integer for a property of that
    // kind. Such a line is read and applied here, as ParsePropertyLine would,
    // without its general steps; a line of another value goes on through
    // them once its name is passed. False, with nothing read, for any other
    // line.
    template <class T> bool ParseUsualLine(T* object)
    {
        if (!Applying() || m_Depth + 1 > kMaxDepth || m_Token.Kind != TRprTokenKind::Identifier) return false;
        const TProperty<T>* p = FindSpeltProperty<T>(m_Token.Text);
        if (!p || (p->Kind != TPropKind::String && p->Kind != TPropKind::Integer)) return false;
        if (!m_Lexer.SkipAssignment()) return false;
        const std::string_view name = m_Token.Text;
        m_Decoder.Begin(); // before the value's first token is read
        Advance();
        const auto set = [&](auto apply) { SetUsual(object, name, apply); };
        if (p->Kind == TPropKind::String && m_Token.Kind == TRprTokenKind::String) {
            Advance();
            while (m_Token.IsSymbol('+')) {
                Advance();
                if (m_Token.Kind != TRprTokenKind::String) Fail(kMsgStringExpected);
                Advance();
            }
            set([&] { p->SetString(*object, m_Decoder.Finish()); });
            return true;
        }
        if (p->Kind == TPropKind::Integer && m_Token.Kind == TRprTokenKind::Integer && m_Token.Integer >= INT32_MIN &&
            m_Token.Integer <= INT32_MAX) {
            const auto value = static_cast<int32_t>(m_Token.Integer);
            Advance();
            set([&] { p->SetInteger(*object, value); });
            return true;
        }
        TLine line(TObject(object), m_LineLevel);
        line.Add(name);
        const TTarget target{TObject(object), p, p->Kind};
        ReadValue(line, &target);
        return true;
    }

    // The property lines of an item that is applied, with the lexer just past
    // "item"; after them either the lexer is past the item's "end" or the
    // token read is that "end".
    template <class T> void ReadItemLines(T* item)
    {
        if constexpr (std::is_same_v<T, TResStringConstItem>)
            if (TakeUsualText(item)) return;
        const TTaken taken = TakeUsualLines(item);
        if (taken == TTaken::Lines && m_Lexer.TakeWord("end")) return;
        if (taken != TTaken::TokenRead) Advance();
        if (taken == TTaken::Nothing) SkipIndex();
        while (!m_Token.IsKeyword("end"))
            if (!ParseUsualLine(item)) ParsePropertyLine(TObject(item));
    }

    // Most texts are written as one line for the value, one for the language
    // and the "end", each on a line of its own: with the lexer just past
    // "item", such a text is read up to its "end" and applied as the usual
    // lines would be; false, with nothing read, for any other.
    bool TakeUsualText(TResStringConstItem* text)
    {
        if (!Applying() || m_Depth + 1 > kMaxDepth) return false;
        const TRprLexer::TMark mark = m_Lexer.Mark();
        int32_t languageId = 0;
        m_Decoder.Begin();
        m_Lexer.PassBlanks();
        bool usual = m_Lexer.TakeAssignment("Value") && m_Lexer.TakeString();
        while (usual && m_Lexer.TakeSymbol('+')) usual = m_Lexer.TakeString();
        if (usual) m_Lexer.PassBlanks(); // TakeSymbol passed them already
        if (!usual || !m_Lexer.TakeAssignment("LanguageId") || !m_Lexer.TakeSmallNumber(languageId) ||
            !m_Lexer.TakeWord("end")) {
            m_Lexer.Reset(mark);
            return false;
        }
        SetUsual(text, "Value", [&] { text->SetValue(std::string(m_Decoder.Finish())); });
        SetUsual(text, "LanguageId", [&] { text->SetLanguageId(languageId); });
        return true;
    }

    // What TakeUsualLines read: nothing, or lines up to where the lexer
    // stands with no token read ahead, or lines and a list whose value ended
    // with the token after it read.
    enum class TTaken { Nothing, Lines, TokenRead };

    // The usual lines at the start of an item, read and applied as
    // ParseUsualLine and ParsePropertyLine would, but straight from the text:
    // with the lexer just past "item" and no token read ahead. They end
    // before the first line that is not usual, with that line not read, or
    // after a line that holds a list.
    template <class T> TTaken TakeUsualLines(T* object)
    {
        TTaken taken = TTaken::Nothing;
        while (taken != TTaken::TokenRead && Applying() && m_Depth + 1 <= kMaxDepth) {
            const TTaken line = TakeUsualLine(object);
            if (line == TTaken::Nothing) break;
            taken = line;
        }
        return taken;
    }
    template <class T> TTaken TakeUsualLine(T* object)
    {
        m_Lexer.PassBlanks(); // at most once: a line that is not taken stays after them
        const TRprLexer::TMark mark = m_Lexer.Mark();
        const TProperty<T>* p = nullptr;
        for (const TProperty<T>& property : Properties<T>())
            if (property.Kind != TPropKind::Boolean && property.Kind != TPropKind::ComponentName &&
                m_Lexer.TakeAssignment(property.Name)) {
                p = &property;
                break;
            }
        if (!p) return TTaken::Nothing;
        if (p->Kind == TPropKind::ItemList) {
            TLine line(TObject(object), m_LineLevel);
            line.Add(p->Name);
            if (m_Depth + 1 <= kMaxDepth && m_Lexer.TakeSymbol('<')) {
                // The list's "<" and, mostly, its items and ">" straight from
                // the text, as ReadValue and ParseValue would read them. The
                // line's name is the table's: no page handed back takes it.
                ++m_LineLevel;
                ++m_Depth;
                const bool closed = std::visit([&](auto l) { return ParseItems(l, false); }, p->List(*object));
                --m_Depth;
                --m_LineLevel;
                WrapFailure(line);
                return closed ? TTaken::Lines : TTaken::TokenRead;
            }
            // The name needs no looking up; the value goes through the
            // general steps.
            m_Decoder.Begin();
            Advance();
            const TTarget target{TObject(object), p, p->Kind};
            ReadValue(line, &target);
            return TTaken::TokenRead;
        }
        if (p->Kind == TPropKind::String) {
            m_Decoder.Begin();
            bool taken = m_Lexer.TakeString();
            while (taken && m_Lexer.TakeSymbol('+')) taken = m_Lexer.TakeString();
            if (taken) {
                SetUsual(object, p->Name, [&] { p->SetString(*object, m_Decoder.Finish()); });
                return TTaken::Lines;
            }
        } else if (int32_t value = 0; m_Lexer.TakeSmallNumber(value)) {
            SetUsual(object, p->Name, [&] { p->SetInteger(*object, value); });
            return TTaken::Lines;
        }
        m_Lexer.Reset(mark);
        return TTaken::Nothing;
    }

    // Applies the value of a usual line, which names the property of object
    // that apply sets; nothing once a value has failed.
    template <class T, class TApply> void SetUsual(T* object, std::string_view name, TApply apply)
    {
        if (!Applying()) return;
        try {
            apply();
        } catch (const Exception& e) {
            TLine line(TObject(object), m_LineLevel);
            line.Add(name);
            FailApply(line, e.Message());
        }
    }

    // The property the line's name leads to; false, with the error kept, when
    // there is none.
    bool Resolve(const TLine& line, TTarget& target)
    {
        try {
            TObject object = line.Self;
            for (size_t i = 0; i + 1 < line.Count; ++i)
                object = std::visit([&](auto o) { return Step(o, line.Part(i)); }, object);
            std::visit([&](auto o) { Find(o, line.Part(line.Count - 1), target); }, object);
            return true;
        } catch (const Exception& e) {
            FailApply(line, e.Message());
            return false;
        }
    }

    // One part of a dotted name: it must name a property that holds an object.
    template <class T> static TObject Step(T* object, std::string_view part)
    {
        const TProperty<T>* p = FindProperty<T>(part, false);
        if (!p) throw EReadError(MsgNoProperty(part));
        if (p->Kind != TPropKind::ItemList) throw EReadError(kMsgInvalidPropertyPath);
        return p->List(*object);
    }
    static TObject Step(std::monostate, std::string_view) { return {}; }

    template <class T> static void Find(T* object, std::string_view name, TTarget& target)
    {
        const TProperty<T>* p = FindProperty<T>(name, true);
        if (!p) throw EReadError(MsgNoProperty(name));
        target.Object = object;
        target.Property = p;
        target.Kind = p->Kind;
    }
    static void Find(std::monostate, std::string_view, TTarget&) {}

    // A value; line and target are given when it is applied.
    void ParseValue(const TLine* line, const TTarget* target)
    {
        if (++m_Depth > kMaxDepth) Fail(kMsgInvalidPropertyValue);
        bool valid = false;
        auto kindIs = [target](TPropKind k) { return target && target->Kind == k; };
        switch (m_Token.Kind) {
            case TRprTokenKind::String:
                Advance();
                while (m_Token.IsSymbol('+')) {
                    Advance();
                    if (m_Token.Kind != TRprTokenKind::String) Fail(kMsgStringExpected);
                    Advance();
                }
                if (kindIs(TPropKind::String) || kindIs(TPropKind::ComponentName)) {
                    valid = true;
                    ApplyString(*line, *target, m_Decoder.Finish());
                }
                break;
            case TRprTokenKind::Integer: {
                const int64_t value = m_Token.Integer;
                Advance();
                if (kindIs(TPropKind::Integer) && value >= INT32_MIN && value <= INT32_MAX) {
                    valid = true;
                    ApplyInteger(*line, *target, static_cast<int32_t>(value));
                }
                break;
            }
            case TRprTokenKind::Float: Advance(); break;
            case TRprTokenKind::Identifier: {
                const std::string_view word = m_Token.Text;
                Advance();
                const bool dotted = m_Token.IsSymbol('.');
                while (m_Token.IsSymbol('.')) {
                    Advance();
                    ExpectIdentifier();
                }
                if (kindIs(TPropKind::Boolean) && !dotted) {
                    const bool isTrue = SameTextAscii(word, "True");
                    if (isTrue || SameTextAscii(word, "False")) {
                        valid = true;
                        ApplyBoolean(*line, *target, isTrue);
                    }
                }
                break;
            }
            default:
                if (m_Token.IsSymbol('[')) ParseSet();
                else if (m_Token.IsSymbol('(')) {
                    Advance();
                    while (!m_Token.IsSymbol(')')) ParseValue(nullptr, nullptr);
                    Advance();
                } else if (m_Token.IsSymbol('{')) {
                    m_Lexer.SkipBinary();
                    Advance();
                } else if (m_Token.IsSymbol('<')) {
                    // Only lists hold items; the value's error comes before any of its items.
                    valid = kindIs(TPropKind::ItemList);
                    if (!valid && target) FailApply(*line, kMsgInvalidPropertyValue);
                    if (valid) {
                        const TObject list = std::visit([&](auto o) { return ListOf(o, *target); }, target->Object);
                        std::visit([&](auto l) { ParseItemList(l); }, list);
                    } else {
                        ParseItemList(static_cast<TResStringList*>(nullptr));
                    }
                } else Fail(kMsgInvalidPropertyValue);
        }
        if (target && !valid) FailApply(*line, kMsgInvalidPropertyValue);
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

    // An item list, read into list when it is given: a list with items first
    // empties it; every item is appended, so its constructor runs, and then
    // gets its property lines. The token read is the "<"; after the list, the
    // one after its ">".
    void ParseItemList(std::monostate) { ParseItemList(static_cast<TResStringList*>(nullptr)); }
    template <class TList> void ParseItemList(TList* list)
    {
        if (ParseItems(list, true)) Advance();
    }
    // The same from the "<": read as a token when lookahead, otherwise just
    // passed by the lexer. True when the lexer stands just past the ">", with
    // no token read after it; otherwise that token is read.
    bool ParseItems(std::monostate, bool lookahead)
    {
        return ParseItems(static_cast<TResStringList*>(nullptr), lookahead);
    }
    template <class TList> bool ParseItems(TList* list, bool lookahead)
    {
        bool cleared = false;
        // After an applied item, what mostly follows it, "item" or ">", is
        // taken straight from the text; true while the lexer stands just past
        // such an "item", with no token read ahead.
        bool itemTaken = false;
        if (lookahead) Advance(); // "<"
        else if (m_Lexer.TakeWord("item")) itemTaken = true;
        else if (m_Lexer.TakeSymbol('>')) return true;
        else Advance();
        for (;;) {
            if (!itemTaken) {
                if (m_Token.IsSymbol('>')) break;
                if (!m_Token.IsKeyword("item")) Fail(kMsgItemExpected);
            }
            itemTaken = false;
            TObject item;
            if constexpr (requires { list->Add(); }) {
                if (list && Applying()) {
                    auto* added = AddItem(*list, cleared);
                    item = added;
                    ReadItemLines(added);
                }
            }
            if (std::holds_alternative<std::monostate>(item)) {
                Advance();
                SkipIndex(); // an index written as "item [7]" is ignored: items always append
                while (!m_Token.IsKeyword("end")) ParsePropertyLine(item);
            } else {
                // Only what is applied goes: nothing read later looks back at it.
                if (m_Release) m_Release->ReleaseBefore(m_Lexer.Position());
                if (m_Lexer.TakeWord("item")) {
                    itemTaken = true;
                    continue;
                }
                if (m_Lexer.TakeSymbol('>')) return true;
            }
            Advance();
        }
        Advance();
        return false;
    }
    template <class TList> static auto* AddItem(TList& list, bool& cleared)
    {
        if (!cleared) list.Clear();
        cleared = true;
        return list.Add();
    }

    template <class T> static TObject ListOf(T* object, const TTarget& target)
    {
        return static_cast<const TProperty<T>*>(target.Property)->List(*object);
    }
    static TObject ListOf(std::monostate, const TTarget&) { return {}; }

    // --- Applying

    template <class TSet> void Apply(const TLine& line, const TTarget& target, TSet set)
    {
        try {
            std::visit(
                [&](auto o) {
                    if constexpr (std::is_pointer_v<decltype(o)>)
                        set(*o, *static_cast<const TProperty<std::remove_pointer_t<decltype(o)>>*>(target.Property));
                },
                target.Object);
        } catch (const Exception& e) {
            FailApply(line, e.Message());
        }
    }
    void ApplyInteger(const TLine& line, const TTarget& target, int32_t value)
    {
        Apply(line, target, [value](auto& o, const auto& p) { p.SetInteger(o, value); });
    }
    void ApplyBoolean(const TLine& line, const TTarget& target, bool value)
    {
        Apply(line, target, [value](auto& o, const auto& p) { p.SetBoolean(o, value); });
    }
    void ApplyString(const TLine& line, const TTarget& target, std::string_view value)
    {
        if (target.Kind == TPropKind::ComponentName && !value.empty() && !IsIdentifier(value)) {
            FailApply(line, MsgInvalidComponentName(value));
            return;
        }
        Apply(line, target, [value](auto& o, const auto& p) { p.SetString(o, value); });
    }

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
            return m_Project->Name().empty() ? "TResProject" : m_Project->Name();
        return std::visit(
            [](auto o) -> std::string {
                if constexpr (std::is_pointer_v<decltype(o)>) {
                    if constexpr (std::is_base_of_v<TCollectionItem, std::remove_pointer_t<decltype(o)>>)
                        return o->DisplayName();
                }
                return {};
            },
            object);
    }

    TRprLexer m_Lexer;
    TRprToken m_Token;
    TRprStringDecoder m_Decoder;
    TResProject* m_Project;      // not owned; none: the syntax alone is checked
    TProjectFileText* m_Release; // not owned; handed back what was read, when given
    int m_Depth = 0;
    bool m_Failed = false;                      // a value could not be applied
    std::string m_FailMessage;                  // why, with the names of the lines around it so far
    int m_FailLevel = 0;                        // the level of the line that m_FailMessage names last
    int m_LineLevel = 0;                        // of the lines being read
    std::string_view m_ChildName, m_ChildClass; // of the nested object last read
};

// The whole file, refusing what cannot be a project file before reading it.
std::unique_ptr<TProjectFileText> ReadProjectFile(const std::string& path, TProjectFileAccess access)
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
    if (access == TProjectFileAccess::Map)
        if (auto mapped = TProjectFileText::Map(fd, static_cast<size_t>(st.st_size))) return mapped;
    // Sized from fstat; a file that grew since then is noticed by a small
    // read at the end and only then read on in growing steps.
    auto text = std::make_unique<TProjectFileText>(static_cast<size_t>(st.st_size));
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
            auto grown = std::make_unique<TProjectFileText>(
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

void TResProject::LoadText(std::string_view text, TProjectFileText* release)
{
    // A project that is still as new is read in one pass; should the syntax
    // fail, it is made new again. Any other is checked whole before the first
    // value reaches it.
    const bool fresh = IsAsNew();
    if (!fresh) TRprReader(text, nullptr).Run();
    const bool modified = m_Modified;
    auto read = [&](TProjectFileText* handBack) {
        try {
            TRprReader(text, this, handBack).Run();
        } catch (const EReadError&) {
            throw; // a value that could not be applied: what came before it stays
        } catch (...) {
            if (fresh) {
                MakeNew();
                m_Modified = modified;
            }
            throw;
        }
    };
    // Into a fresh project whose text can be read again, the text IDs are
    // checked for uniqueness all at once at the end. Should two items share
    // one, the text is read again with the check at each item, which stops
    // where it must and leaves what it must.
    if (!fresh || (release && !release->CanReadAgain())) {
        read(release);
        return;
    }
    m_Strings->BeginTextIdBatch();
    bool unique = true;
    try {
        read(release);
    } catch (const EReadError&) {
        if (m_Strings->EndTextIdBatch()) throw;
        unique = false;
    }
    if (unique && m_Strings->EndTextIdBatch()) return;
    MakeNew();
    m_Modified = modified;
    read(nullptr);
}

void TResProject::LoadFromText(std::string_view text) { LoadText(text, nullptr); }

void TResProject::LoadFromFile(const std::string& path, TProjectFileAccess access)
{
    const std::unique_ptr<TProjectFileText> text = ReadProjectFile(path, access);
    LoadText(text->View(), text.get());
    m_FileName = path;
    m_Modified = false;
}
