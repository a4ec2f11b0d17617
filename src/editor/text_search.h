// The text search of the find and replace dialogs: a pattern compared character by character, with or
// without regard to case ("Mayúsculas/minúsculas"), so that positions stay exact where upper-casing a
// whole string would change its length.
//
//   qsizetype at = findForward(text, "mov", 1, text.size(), false);   // 1-based, 0 when absent
#pragma once

#include <QString>
#include <algorithm>

namespace vandor {

inline bool sameChar(QChar a, QChar b, bool matchCase) { return matchCase ? a == b : a.toUpper() == b.toUpper(); }

// True when p stands in t at position i (0-based).
inline bool matchesAt(const QString& t, const QString& p, qsizetype i, bool matchCase) {
    if (p.isEmpty() || i < 0 || i + p.size() > t.size()) return false;
    for (qsizetype k = 0; k < p.size(); ++k)
        if (!sameChar(t[i + k], p[k], matchCase)) return false;
    return true;
}

// The first position i (1-based) from `from` to `to` where p occurs in t, or 0.
inline qsizetype findForward(const QString& t, const QString& p, qsizetype from, qsizetype to, bool matchCase) {
    if (p.isEmpty()) return 0;
    const qsizetype last = std::min(to, t.size() - p.size() + 1);
    for (qsizetype i = std::max<qsizetype>(from, 1); i <= last; ++i)
        if (sameChar(t[i - 1], p[0], matchCase) && matchesAt(t, p, i - 1, matchCase)) return i;
    return 0;
}

}  // namespace vandor
