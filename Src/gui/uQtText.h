// Every crossing between Qt's Unicode text and the model's Windows-1250
// strings or the core's file paths.
#pragma once

#include <QString>

#include <string>

// Model strings in the code page to Qt text and back.
QString ToQString(const std::string& text);
std::string FromQString(const QString& text);

// Multi-line model text (CR LF line ends) to an editor's text (LF) and back.
QString MemoText(const std::string& value);
std::string MemoValue(const QString& text);

// Paths between Qt and the core's file functions.
std::string ToFilePath(const QString& path);
QString FromFilePath(const std::string& path);

// A core message as text: UTF-8 where it is (paths), else the code page.
QString MessageText(const std::string& message);

// UTF-8 text of the core (the checks' findings) as Qt text.
QString Utf8Text(const std::string& text);
