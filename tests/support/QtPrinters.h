#pragma once

#include <QString>
#include <ostream>

// Lets failing expectations show Qt texts as text instead of bytes.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
