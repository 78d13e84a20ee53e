// The exception tree of Quillet and the internal assertion helper.
#pragma once

#include <exception>
#include <string>

// Messages are UTF-8: model text is converted (uText) before it goes into one.
class Exception : public std::exception {
public:
    explicit Exception(std::string message, std::string reason = {})
        : m_Message(std::move(message)), m_Reason(std::move(reason))
    {}
    const char* what() const noexcept override { return m_Message.c_str(); }
    const std::string& Message() const { return m_Message; }
    // What the system said when a file operation failed ("No space left on
    // device"); empty otherwise. Shown after the message, never part of it.
    const std::string& Reason() const { return m_Reason; }

private:
    std::string m_Message;
    std::string m_Reason;
};

// The silent abort: ends a command without any message.
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
};

class EResFile : public Exception {
    using Exception::Exception;
};
class EAssertionFailed : public Exception {
    using Exception::Exception;
};
class EListError : public Exception {
    using Exception::Exception;
};
class EParserError : public Exception {
    using Exception::Exception;
};
class EConvertError : public Exception {
    using Exception::Exception;
};
class EStreamError : public Exception {
    using Exception::Exception;
};
class EFCreateError : public EStreamError {
    using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
    using EStreamError::EStreamError;
};
class EFilerError : public EStreamError {
    using EStreamError::EStreamError;
};
class EWriteError : public EFilerError {
    using EFilerError::EFilerError;
};
class EReadError : public EFilerError {
    using EFilerError::EFilerError;
};

// Message texts. Where a text has a placeholder, the helper below fills it.
inline constexpr const char* kMsgDupLanguageId = "Duplicate language Id";
inline constexpr const char* kMsgDupStringTextId = "Duplicate string text ID";
inline constexpr const char* kMsgDupStringNumberId = "Duplicate string number ID";
inline constexpr const char* kMsgInvalidNumberIdBase = "Invalid number ID base";
inline constexpr const char* kMsgStreamWrite = "Stream write error";

std::string MsgListIndex(int index); // "List index out of bounds (%d)"
// path: a file-system path (UTF-8, as the system gave it).
std::string MsgCannotCreate(const std::string& path); // "Cannot create file %s"
std::string MsgCannotOpen(const std::string& path);   // "Cannot open file %s"
// text: model or project-file text in the code page.
std::string MsgInvalidInteger(const std::string& text); // "'%s' is not a valid integer value"
std::string MsgInvalidFloat(const std::string& text);   // "'%s' is not a valid floating point value"

// Raises EAssertionFailed "Assertion failure (unit, line n)".
[[noreturn]] void AssertionFailed(const char* file, int line);

#define QUILLET_ASSERT(cond)                                                                                           \
    do {                                                                                                               \
        if (!(cond)) AssertionFailed(__FILE__, __LINE__);                                                              \
    } while (0)
