#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace qm {

// CP932 bytes of the model as a widget's text, and back.
QString Cp932ToQString(std::string_view cp932);
std::string QStringToCp932(const QString& text);

// Item texts break lines with "\r\n"; a multi-line widget breaks them with
// "\n". A lone "\r" or "\n" is no line break in an item's text, but a widget
// cannot tell it from one, so it comes back as "\r\n".
QString ItemTextToQString(std::string_view cp932);
std::string QStringToItemText(const QString& text);

} // namespace qm
