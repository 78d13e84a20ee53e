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

// A core message, or other UTF-8 text of the core (the checks' findings), as
// Qt text. The core builds every message in UTF-8, model text converted from
// the code page, so nothing has to be guessed here.
QString MessageText(const std::string& message);

// The warning before text with characters that the code page cannot hold is
// stored ("The text contains characters that Windows-1250 cannot store: ...");
// empty when every character fits.
QString UnstorableWarning(const QString& text);
