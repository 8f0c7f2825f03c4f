#pragma once

// Where project text (CP932 bytes) meets Qt's strings. The user interface is
// compiled with UTF-8 narrow literals (Qt's headers cannot be read under the
// CP932 execution character set), so no narrow literal of its own may reach
// the core: every text crosses here.

#include <QString>

#include <string>
#include <string_view>

namespace sw::ui {

// Undecodable bytes show as '?', as in every log view.
QString FromCp932(std::string_view cp932);
// False when `text` has a character that Shift_JIS cannot hold.
bool ToCp932(const QString& text, std::string& cp932);
// A file path from a Qt dialog or the command line; false, with a message
// for the author in `error` (its characters without a Shift_JIS form shown
// as '?'), when it has no Shift_JIS form.
bool PathToCp932(const QString& path, std::string& cp932, QString* error = nullptr);

} // namespace sw::ui
