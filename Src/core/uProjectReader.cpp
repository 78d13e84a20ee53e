// LoadFromFile: a tokenizer and parser build the whole tree of the text first;
// only then is the tree applied to the project through the model's setters.
#include "uProject.h"
#include "uText.h"

#include "uCodePage.h"
#include "uErrors.h"

#include <charconv>
#include <cstdio>
#include <optional>

namespace {

// ---------------------------------------------------------------------------
// Tokens

enum class TRprTokenKind { Symbol, Identifier, String, Integer, Float, Eof };

struct TRprToken {
    TRprTokenKind Kind = TRprTokenKind::Eof;
    std::string Text;          // as written (identifiers, numbers) or the symbol
    size_t Start = 0, End = 0; // where the token stands in the text
    int64_t Integer = 0;
    int Line = 1;

    bool IsSymbol(char c) const { return Kind == TRprTokenKind::Symbol && Text.size() == 1 && Text[0] == c; }
    bool IsKeyword(std::string_view word) const
    {
        return Kind == TRprTokenKind::Identifier && SameTextAscii(Text, word);
    }
    bool IsObjectKeyword() const { return IsKeyword("object") || IsKeyword("inherited") || IsKeyword("inline"); }
};

[[noreturn]] void FailAt(const std::string& message, int line)
{
    throw EParserError(message + " on line " + std::to_string(line));
}

bool IsIdentStart(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(unsigned char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(unsigned char c) { return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
int HexValue(unsigned char c) { return IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10; }

// One string token from pos: quoted parts and "#" escapes with no blank
// between them. Returns the position after it; when out is given, appends its
// text in the code page. Without an escape above 127 the token is 8-bit text
// whose bytes are taken as they are; with one, it is Unicode: each escape is
// a UTF-16 unit, each quoted byte the unit of the same number (Latin-1), and
// the whole is converted to the code page.
size_t ScanStringToken(std::string_view text, size_t pos, std::string* out, int line)
{
    std::string scratch;
    std::string& bytes = out ? *out : scratch;
    const size_t start = bytes.size();
    bool wide = false;
    char16_t highSurrogate = 0;
    // Unicode units go to the code page one by one; a surrogate pair is one
    // character the code page lacks.
    auto unit = [&](char16_t u) {
        if (highSurrogate) {
            const bool pair = u >= 0xDC00 && u < 0xE000;
            bytes += '?';
            highSurrogate = 0;
            if (pair) return;
        }
        if (u >= 0xD800 && u < 0xDC00) highSurrogate = u;
        else bytes += CodePage::UnitToByte(u);
    };
    auto append = [&](std::string_view run) {
        if (!out) return;
        if (!wide) bytes.append(run);
        else
            for (char c : run) unit(static_cast<unsigned char>(c));
    };
    while (pos < text.size()) {
        const char c = text[pos];
        if (c == '\'') {
            ++pos;
            for (;;) {
                size_t end = pos;
                while (end < text.size() && text[end] != '\'' && text[end] != '\r' && text[end] != '\n') ++end;
                if (end >= text.size() || text[end] != '\'') FailAt("Invalid string constant", line);
                append(text.substr(pos, end - pos));
                pos = end + 1;
                if (pos >= text.size() || text[pos] != '\'') break;
                append("'"); // two apostrophes stand for one
                ++pos;
            }
        } else if (c == '#') {
            ++pos;
            uint32_t value = 0;
            bool big = false;
            while (pos < text.size() && IsDigit(static_cast<unsigned char>(text[pos]))) {
                uint64_t v = uint64_t(value) * 10 + static_cast<uint64_t>(text[pos] - '0');
                if (v > 127) big = true;
                value = static_cast<uint32_t>(v % 65536);
                ++pos;
            }
            if (!out) continue;
            if (big && !wide) {
                // The token is Unicode after all: what was read so far are
                // Latin-1 characters, not code-page bytes.
                wide = true;
                const std::string latin1 = bytes.substr(start);
                bytes.resize(start);
                for (char b : latin1) unit(static_cast<unsigned char>(b));
            }
            if (wide) unit(static_cast<char16_t>(value));
            else bytes.push_back(static_cast<char>(value));
        } else {
            break;
        }
    }
    if (highSurrogate) bytes += '?';
    return pos;
}

// The token source: owns the position and the line count.
class TRprLexer {
public:
    explicit TRprLexer(std::string_view text) : m_Text(text.substr(0, text.find('\0'))) { CheckLine(0); }
    std::string_view Text() const { return m_Text; }

    TRprToken Next()
    {
        SkipBlanks();
        TRprToken t;
        t.Line = m_Line;
        if (m_Pos >= m_Text.size()) return t;
        const unsigned char c = Peek();
        if (IsIdentStart(c)) {
            size_t start = m_Pos;
            while (m_Pos < m_Text.size() && IsIdentChar(Peek())) ++m_Pos;
            t.Kind = TRprTokenKind::Identifier;
            t.Text.assign(m_Text.substr(start, m_Pos - start));
        } else if (c == '\'' || c == '#') {
            ReadString(t);
        } else if (c == '$') {
            size_t start = m_Pos++;
            while (m_Pos < m_Text.size() && IsHexDigit(Peek())) ++m_Pos;
            t.Kind = TRprTokenKind::Integer;
            t.Text.assign(m_Text.substr(start, m_Pos - start));
            t.Integer = ConvertHex(t.Text);
        } else if (c == '-' || IsDigit(c)) {
            ReadNumber(t);
        } else {
            ++m_Pos;
            t.Kind = TRprTokenKind::Symbol;
            t.Text.assign(1, static_cast<char>(c));
        }
        return t;
    }

    // Hexadecimal data after "{": pairs of hex digits up to "}".
    void SkipBinary()
    {
        for (;;) {
            SkipBlanks();
            if (m_Pos >= m_Text.size()) FailAt("Invalid binary value", m_Line);
            if (Peek() == '}') {
                ++m_Pos;
                return;
            }
            if (m_Pos + 1 >= m_Text.size() || !IsHexDigit(Peek()) ||
                !IsHexDigit(static_cast<unsigned char>(m_Text[m_Pos + 1])))
                FailAt("Invalid binary value", m_Line);
            m_Pos += 2;
        }
    }

private:
    unsigned char Peek() const { return static_cast<unsigned char>(m_Text[m_Pos]); }

    void SkipBlanks()
    {
        while (m_Pos < m_Text.size()) {
            unsigned char c = Peek();
            if (c > 32) break;
            ++m_Pos;
            if (c == '\n') {
                ++m_Line;
                CheckLine(m_Pos);
            }
        }
    }

    // The text is read through a 4096-byte window refilled at the start of
    // the line reached; a line that cannot fit it fails, unless the rest of
    // the text fits the window as a whole.
    void CheckLine(size_t lineStart)
    {
        size_t rest = m_Text.size() - lineStart;
        if (rest < 4096) return;
        size_t lf = m_Text.find('\n', lineStart);
        size_t length = (lf == std::string_view::npos ? m_Text.size() : lf + 1) - lineStart;
        if (length > 4095) FailAt("Line too long", m_Line);
    }

    void ReadString(TRprToken& t)
    {
        // Checked here, decoded when the value is applied.
        t.Kind = TRprTokenKind::String;
        t.Start = m_Pos;
        m_Pos = ScanStringToken(m_Text, m_Pos, nullptr, m_Line);
        t.End = m_Pos;
    }

    void ReadNumber(TRprToken& t)
    {
        size_t start = m_Pos++;
        while (m_Pos < m_Text.size() && IsDigit(Peek())) ++m_Pos;
        bool isFloat = false;
        auto inFloatSet = [](unsigned char c) {
            return IsDigit(c) || c == '+' || c == '-' || c == '.' || c == 'E' || c == 'e';
        };
        if (m_Pos < m_Text.size() && inFloatSet(Peek())) {
            isFloat = true;
            while (m_Pos < m_Text.size() && inFloatSet(Peek())) ++m_Pos;
        }
        size_t numberEnd = m_Pos;
        if (m_Pos < m_Text.size()) {
            unsigned char s = Peek() | 0x20;
            if (s == 's' || s == 'c' || s == 'd') {
                isFloat = true;
                ++m_Pos;
            }
        }
        t.Text.assign(m_Text.substr(start, m_Pos - start));
        if (isFloat) {
            t.Kind = TRprTokenKind::Float;
            std::string number(m_Text.substr(start, numberEnd - start));
            double value = 0;
            auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
            if (ec != std::errc() || end != number.data() + number.size()) throw EConvertError(MsgInvalidFloat(t.Text));
        } else {
            t.Kind = TRprTokenKind::Integer;
            int64_t value = 0;
            auto [end, ec] = std::from_chars(t.Text.data(), t.Text.data() + t.Text.size(), value);
            if (ec != std::errc() || end != t.Text.data() + t.Text.size())
                throw EConvertError(MsgInvalidInteger(t.Text));
            t.Integer = value;
        }
    }

    static int64_t ConvertHex(const std::string& text)
    {
        if (text.size() < 2) throw EConvertError(MsgInvalidInteger(text));
        uint64_t v = 0;
        for (size_t i = 1; i < text.size(); ++i) {
            if (v > (uint64_t(INT64_MAX) >> 4)) throw EConvertError(MsgInvalidInteger(text));
            v = v * 16 + static_cast<uint64_t>(HexValue(static_cast<unsigned char>(text[i])));
        }
        if (v > uint64_t(INT64_MAX)) throw EConvertError(MsgInvalidInteger(text));
        return static_cast<int64_t>(v);
    }

    std::string_view m_Text;
    size_t m_Pos = 0;
    int m_Line = 1;
};

// ---------------------------------------------------------------------------
// The parse tree

struct TRprItem;

struct TRprValue {
    enum class TKind { String, Integer, Float, Identifier, Set, List, Binary, ItemList } Kind = TKind::Integer;
    std::string_view Raw;        // String: the tokens and "+" signs as they stand in the text
    std::string Text;            // Identifier, dotted
    int64_t Integer = 0;         // Integer
    std::vector<TRprItem> Items; // ItemList
};

struct TRprProperty {
    std::string Name; // dotted, as written
    TRprValue Value;
};

struct TRprItem {
    std::vector<TRprProperty> Properties;
};

struct TRprObject {
    std::string ObjectName;
    std::string ClassName;
    std::vector<TRprProperty> Properties;
    std::vector<TRprObject> Children;
};

// ---------------------------------------------------------------------------
// The parser: one function per grammar rule.

class TRprParser {
public:
    explicit TRprParser(std::string_view text) : m_Lexer(text) { Advance(); }

    TRprObject ParseRoot()
    {
        // Taking the root's "end" reads one more token; the rest is not examined.
        return ParseObject();
    }

private:
    // Values nested deeper than this are refused; no property takes them.
    static constexpr int kMaxDepth = 500;

    void Advance() { m_Token = m_Lexer.Next(); }
    [[noreturn]] void Fail(const std::string& message) { FailAt(message, m_Token.Line); }
    void Expect(char symbol)
    {
        if (!m_Token.IsSymbol(symbol)) Fail(std::string("''") + symbol + "'' expected");
        Advance();
    }
    std::string ExpectIdentifier()
    {
        if (m_Token.Kind != TRprTokenKind::Identifier) Fail("Identifier expected");
        std::string name = m_Token.Text;
        Advance();
        return name;
    }
    void ParseIndex()
    {
        if (!m_Token.IsSymbol('[')) return;
        Advance();
        if (m_Token.Kind != TRprTokenKind::Integer) Fail("Number expected");
        Advance();
        Expect(']');
    }

    TRprObject ParseObject()
    {
        if (++m_Depth > kMaxDepth) Fail("Invalid property value");
        if (!m_Token.IsObjectKeyword()) Fail("OBJECT expected");
        Advance();
        TRprObject object;
        object.ClassName = ExpectIdentifier();
        if (m_Token.IsSymbol(':')) {
            Advance();
            object.ObjectName = object.ClassName;
            object.ClassName = ExpectIdentifier();
        }
        ParseIndex();
        while (!m_Token.IsKeyword("end") && !m_Token.IsObjectKeyword())
            object.Properties.push_back(ParsePropertyLine());
        while (m_Token.IsObjectKeyword()) object.Children.push_back(ParseObject());
        if (!m_Token.IsKeyword("end")) Fail("OBJECT expected");
        Advance();
        --m_Depth;
        return object;
    }

    TRprProperty ParsePropertyLine()
    {
        TRprProperty property;
        property.Name = ExpectIdentifier();
        while (m_Token.IsSymbol('.')) {
            Advance();
            property.Name += '.';
            property.Name += ExpectIdentifier();
        }
        Expect('=');
        property.Value = ParseValue();
        return property;
    }

    TRprValue ParseValue()
    {
        using TKind = TRprValue::TKind;
        if (++m_Depth > kMaxDepth) Fail("Invalid property value");
        TRprValue value;
        switch (m_Token.Kind) {
            case TRprTokenKind::String:
                value.Kind = TKind::String;
                {
                    const size_t start = m_Token.Start;
                    size_t end = m_Token.End;
                    Advance();
                    while (m_Token.IsSymbol('+')) {
                        Advance();
                        if (m_Token.Kind != TRprTokenKind::String) Fail("String expected");
                        end = m_Token.End;
                        Advance();
                    }
                    value.Raw = m_Lexer.Text().substr(start, end - start);
                }
                break;
            case TRprTokenKind::Integer:
                value.Kind = TKind::Integer;
                value.Integer = m_Token.Integer;
                Advance();
                break;
            case TRprTokenKind::Float:
                value.Kind = TKind::Float;
                Advance();
                break;
            case TRprTokenKind::Identifier:
                value.Kind = TKind::Identifier;
                value.Text = m_Token.Text;
                Advance();
                while (m_Token.IsSymbol('.')) {
                    Advance();
                    value.Text += "." + ExpectIdentifier();
                }
                break;
            default:
                if (m_Token.IsSymbol('[')) {
                    value.Kind = TKind::Set;
                    ParseSet();
                } else if (m_Token.IsSymbol('(')) {
                    value.Kind = TKind::List;
                    Advance();
                    while (!m_Token.IsSymbol(')')) ParseValue();
                    Advance();
                } else if (m_Token.IsSymbol('{')) {
                    value.Kind = TKind::Binary;
                    m_Lexer.SkipBinary();
                    Advance();
                } else if (m_Token.IsSymbol('<')) {
                    value.Kind = TKind::ItemList;
                    ParseItemList(value.Items);
                } else {
                    Fail("Invalid property value");
                }
        }
        --m_Depth;
        return value;
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
                Fail("Identifier expected");
            Advance();
            if (m_Token.IsSymbol(']')) {
                Advance();
                return;
            }
            Expect(',');
        }
    }

    void ParseItemList(std::vector<TRprItem>& items)
    {
        Advance(); // "<"
        while (!m_Token.IsSymbol('>')) {
            if (!m_Token.IsKeyword("item")) Fail("item expected");
            Advance();
            ParseIndex();
            TRprItem item;
            while (!m_Token.IsKeyword("end")) item.Properties.push_back(ParsePropertyLine());
            Advance();
            items.push_back(std::move(item));
        }
        Advance();
    }

    TRprLexer m_Lexer;
    TRprToken m_Token;
    int m_Depth = 0;
};

// ---------------------------------------------------------------------------
// The apply pass

enum class TObjKind { Project, LanguageList, StringList, TextList, Language, StringItem, Text };

struct TObjRef {
    TObjKind Kind;
    void* Ptr;
};

enum class TPropType { None, Integer, String, Boolean, ItemList, Name, ListObject };

class TRprApplier {
public:
    explicit TRprApplier(TResProject& project) : m_Project(project) {}

    void ApplyRoot(TRprObject& root)
    {
        if (!root.ObjectName.empty()) m_Project.SetName(UniqueRootName(root.ObjectName));
        TObjRef self{TObjKind::Project, &m_Project};
        for (TRprProperty& p : root.Properties) ApplyLine(self, p);
        for (const TRprObject& child : root.Children) {
            // Nested components are not part of a project.
            const std::string& name = child.ObjectName.empty() ? child.ClassName : child.ObjectName;
            throw EReadError(Wrap(self, name, "Class " + child.ClassName + " not found"));
        }
    }

private:
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

    std::string ObjectName(const TObjRef& obj) const
    {
        switch (obj.Kind) {
            case TObjKind::Project: return m_Project.Name().empty() ? "TResProject" : m_Project.Name();
            case TObjKind::Language: return "TResLanguageItem";
            case TObjKind::StringItem: return "TResStringItem";
            case TObjKind::Text: return "TResStringConstItem";
            default: return "";
        }
    }

    std::string Wrap(const TObjRef& obj, const std::string& name, const std::string& message) const
    {
        return "Error reading " + ObjectName(obj) + "." + name + ": " + message;
    }

    // The published property of an object by name (ASCII case ignored):
    // its type, and for list properties the object it leads to.
    static TPropType Lookup(const TObjRef& obj, const std::string& name, TObjRef* target)
    {
        auto is = [&](const char* n) { return SameTextAscii(name, n); };
        switch (obj.Kind) {
            case TObjKind::Project: {
                auto* p = static_cast<TResProject*>(obj.Ptr);
                if (is("Languages")) {
                    if (target) *target = {TObjKind::LanguageList, p->Languages()};
                    return TPropType::ItemList;
                }
                if (is("Strings")) {
                    if (target) *target = {TObjKind::StringList, p->Strings()};
                    return TPropType::ItemList;
                }
                if (is("OutputDirectory") || is("ConstFileName") || is("StringIdPrefix") || is("PtrIdPrefix") ||
                    is("Comment"))
                    return TPropType::String;
                if (is("Name")) return TPropType::Name;
                if (is("Tag")) return TPropType::Integer;
                return TPropType::None;
            }
            case TObjKind::StringList: return is("NumberIdBase") ? TPropType::Integer : TPropType::None;
            case TObjKind::Language:
                if (is("TextId") || is("ResFileName")) return TPropType::String;
                if (is("SourceLanguageId")) return TPropType::Integer;
                if (is("Visible")) return TPropType::Boolean;
                return TPropType::None;
            case TObjKind::StringItem:
                if (is("TextId")) return TPropType::String;
                if (is("NumberId")) return TPropType::Integer;
                if (is("Standard") || is("FixedId")) return TPropType::Boolean;
                if (is("StringConsts")) {
                    if (target) *target = {TObjKind::TextList, static_cast<TResStringItem*>(obj.Ptr)->StringConsts()};
                    return TPropType::ItemList;
                }
                return TPropType::None;
            case TObjKind::Text:
                if (is("Value")) return TPropType::String;
                if (is("LanguageId")) return TPropType::Integer;
                return TPropType::None;
            default: return TPropType::None;
        }
    }

    void ApplyLine(const TObjRef& self, TRprProperty& p)
    {
        try {
            TObjRef obj = self;
            std::string_view rest = p.Name;
            for (size_t dot; (dot = rest.find('.')) != std::string_view::npos; rest.remove_prefix(dot + 1)) {
                const std::string part(rest.substr(0, dot));
                TObjRef next{};
                TPropType type = Lookup(obj, part, &next);
                if (type == TPropType::None) throw EReadError("Property " + part + " does not exist");
                if (type != TPropType::ItemList) throw EReadError("Invalid property path");
                obj = next;
            }
            const std::string last(rest);
            TObjRef listObj{};
            TPropType type = Lookup(obj, last, &listObj);
            if (type == TPropType::None) {
                if (obj.Kind == TObjKind::Project && (SameTextAscii(last, "Left") || SameTextAscii(last, "Top"))) {
                    uint16_t v = static_cast<uint16_t>(static_cast<uint32_t>(IntegerValue(p.Value)) & 0xFFFF);
                    if (SameTextAscii(last, "Left")) m_Project.SetLeft(v);
                    else m_Project.SetTop(v);
                    return;
                }
                throw EReadError("Property " + last + " does not exist");
            }
            Assign(obj, last, type, listObj, p.Value);
        } catch (const Exception& e) {
            throw EReadError(Wrap(self, p.Name, e.Message()));
        }
    }

    static int32_t IntegerValue(const TRprValue& v)
    {
        if (v.Kind != TRprValue::TKind::Integer || v.Integer < INT32_MIN || v.Integer > INT32_MAX)
            throw EReadError("Invalid property value");
        return static_cast<int32_t>(v.Integer);
    }

    // The parts of a string value joined, in the code page.
    static std::string StringValue(const TRprValue& v)
    {
        if (v.Kind != TRprValue::TKind::String) throw EReadError("Invalid property value");
        std::string out;
        for (size_t pos = 0;;) {
            while (pos < v.Raw.size() && (static_cast<unsigned char>(v.Raw[pos]) <= 32 || v.Raw[pos] == '+')) ++pos;
            if (pos >= v.Raw.size()) break;
            pos = ScanStringToken(v.Raw, pos, &out, 0);
        }
        return out;
    }

    static bool BooleanValue(const TRprValue& v)
    {
        if (v.Kind == TRprValue::TKind::Identifier) {
            if (SameTextAscii(v.Text, "True")) return true;
            if (SameTextAscii(v.Text, "False")) return false;
        }
        throw EReadError("Invalid property value");
    }

    void Assign(const TObjRef& obj, const std::string& name, TPropType type, const TObjRef& listObj, TRprValue& value)
    {
        auto is = [&](const char* n) { return SameTextAscii(name, n); };
        switch (type) {
            case TPropType::ItemList: return ReadItems(listObj, value);
            case TPropType::Name: {
                std::string s = StringValue(value);
                if (!s.empty() && !IsIdentifier(s))
                    throw EReadError("''" + CodePage::ToUtf8(s) + "'' is not a valid component name");
                m_Project.SetName(s);
                return;
            }
            default: break;
        }
        switch (obj.Kind) {
            case TObjKind::Project:
                if (is("Tag")) return m_Project.SetTag(IntegerValue(value));
                if (is("OutputDirectory")) return m_Project.SetOutputDirectory(StringValue(value));
                if (is("ConstFileName")) return m_Project.SetConstFileName(StringValue(value));
                if (is("StringIdPrefix")) return m_Project.SetStringIdPrefix(StringValue(value));
                if (is("PtrIdPrefix")) return m_Project.SetPtrIdPrefix(StringValue(value));
                return m_Project.SetComment(StringValue(value));
            case TObjKind::StringList:
                return static_cast<TResStringList*>(obj.Ptr)->SetNumberIdBase(IntegerValue(value));
            case TObjKind::Language: {
                auto* l = static_cast<TResLanguageItem*>(obj.Ptr);
                if (is("TextId")) return l->SetTextId(StringValue(value));
                if (is("ResFileName")) return l->SetResFileName(StringValue(value));
                if (is("SourceLanguageId")) return l->SetSourceLanguageId(IntegerValue(value));
                return l->SetVisible(BooleanValue(value));
            }
            case TObjKind::StringItem: {
                auto* s = static_cast<TResStringItem*>(obj.Ptr);
                if (is("TextId")) return s->SetTextId(StringValue(value));
                if (is("NumberId")) return s->SetNumberId(IntegerValue(value));
                if (is("Standard")) return s->SetStandard(BooleanValue(value));
                return s->SetFixedId(BooleanValue(value));
            }
            case TObjKind::Text: {
                auto* t = static_cast<TResStringConstItem*>(obj.Ptr);
                if (is("Value")) return t->SetValue(StringValue(value));
                return t->SetLanguageId(IntegerValue(value));
            }
            default: throw EReadError("Invalid property value");
        }
    }

    void ReadItems(const TObjRef& list, TRprValue& value)
    {
        if (value.Kind != TRprValue::TKind::ItemList) throw EReadError("Invalid property value");
        if (value.Items.empty()) return;
        auto* languages = list.Kind == TObjKind::LanguageList ? static_cast<TResLanguageList*>(list.Ptr) : nullptr;
        auto* strings = list.Kind == TObjKind::StringList ? static_cast<TResStringList*>(list.Ptr) : nullptr;
        auto* texts = list.Kind == TObjKind::TextList ? static_cast<TResStringConstList*>(list.Ptr) : nullptr;
        if (languages) languages->Clear();
        if (strings) strings->Clear();
        if (texts) texts->Clear();
        for (TRprItem& item : value.Items) {
            // An index written as "item [7]" was accepted and is ignored: items always append.
            TObjRef ref = languages ? TObjRef{TObjKind::Language, languages->Add()}
                : strings           ? TObjRef{TObjKind::StringItem, strings->Add()}
                                    : TObjRef{TObjKind::Text, texts->Add()};
            for (TRprProperty& p : item.Properties) ApplyLine(ref, p);
        }
    }

    TResProject& m_Project;
};

} // namespace

void TResProject::LoadFromText(std::string_view text)
{
    TRprParser parser(text);
    TRprObject root = parser.ParseRoot();
    TRprApplier(*this).ApplyRoot(root);
}

void TResProject::LoadFromFile(const std::string& path)
{
    std::string text;
    {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        if (!file) throw EFOpenError(MsgCannotOpen(path));
        if (std::fseek(file, 0, SEEK_END) == 0) {
            long size = std::ftell(file);
            if (size > 0) text.reserve(static_cast<size_t>(size));
            std::rewind(file);
        }
        char buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
        bool failed = std::ferror(file) != 0;
        std::fclose(file);
        if (failed) throw EFOpenError(MsgCannotOpen(path));
    }
    LoadFromText(text);
    m_FileName = path;
    m_Modified = false;
}
