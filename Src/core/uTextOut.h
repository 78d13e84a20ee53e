// Text composed through raw pointers into a buffer that goes on to a sink,
// piece by piece, whenever it fills: the generated units and the project
// file are written this way, never held whole.
#pragma once

#include "uWords.h"

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

// Copies s to p; the position after it.
inline char* PutText(char* p, std::string_view s)
{
    Words::Copy(p, s.data(), s.size());
    return p + s.size();
}

class TTextOut {
public:
    using TSink = std::function<void(std::string_view)>;

    // The sink is copied: one made for the call may not outlive it.
    explicit TTextOut(TSink sink, size_t size = 64 * 1024)
        : m_Sink(std::move(sink)), m_Buffer(new char[size]), m_Capacity(size), m_Pos(m_Buffer.get())
    {}
    TTextOut(const TTextOut&) = delete;
    TTextOut& operator=(const TTextOut&) = delete;

    // Room for n more bytes at the returned position; Advance moves past what
    // was written there. What was written before may go to the sink first.
    char* Room(size_t n)
    {
        if (size_t(m_Buffer.get() + m_Capacity - m_Pos) < n) {
            Flush();
            if (n > m_Capacity) {
                m_Buffer.reset(new char[n]);
                m_Capacity = n;
                m_Pos = m_Buffer.get();
            }
        }
        return m_Pos;
    }
    void Advance(char* end) { m_Pos = end; }

    // A piece larger than the buffer goes to the sink as it is, not copied.
    void Put(std::string_view s)
    {
        if (s.size() > m_Capacity) {
            Flush();
            m_Sink(s);
            return;
        }
        Advance(PutText(Room(s.size()), s));
    }
    // s and CR LF.
    void Line(std::string_view s = {})
    {
        char* p = PutText(Room(s.size() + 2), s);
        *p++ = '\r';
        *p++ = '\n';
        Advance(p);
    }
    // Hands everything written so far to the sink.
    void Flush()
    {
        if (m_Pos != m_Buffer.get()) m_Sink(std::string_view(m_Buffer.get(), size_t(m_Pos - m_Buffer.get())));
        m_Pos = m_Buffer.get();
    }

private:
    TSink m_Sink;
    std::unique_ptr<char[]> m_Buffer;
    size_t m_Capacity;
    char* m_Pos;
};

// What compose writes to a TTextOut, as one string.
inline std::string ComposedText(const std::function<void(TTextOut&)>& compose, size_t reserve = 0)
{
    std::string text;
    text.reserve(reserve);
    TTextOut out([&text](std::string_view piece) { text.append(piece); });
    compose(out);
    out.Flush();
    return text;
}
