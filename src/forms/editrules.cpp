#include "forms/editrules.h"

#include <algorithm>

namespace forms::detail {

namespace {

bool IsControl(QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; }

int Utf8Bytes(const QString& s) { return static_cast<int>(s.toUtf8().size()); }

// The longest head of s whose UTF-8 form fits into bytes, never splitting a
// surrogate pair.
QString HeadWithin(const QString& s, int bytes) {
    int used = 0;
    qsizetype i = 0;
    while (i < s.size()) {
        const qsizetype step = s[i].isHighSurrogate() && i + 1 < s.size() ? 2 : 1;
        const int cost = Utf8Bytes(s.mid(i, step));
        if (used + cost > bytes) break;
        used += cost;
        i += step;
    }
    return s.left(i);
}

}  // namespace

QString CleanEditText(const QString& before, const QString& after, int maxBytes, int& cursor) {
    QString text;
    text.reserve(after.size());
    int caret = cursor;
    for (qsizetype i = 0; i < after.size(); ++i) {
        if (IsControl(after[i])) {
            if (i < cursor) --caret;
            continue;
        }
        text += after[i];
    }
    cursor = std::clamp(caret, 0, static_cast<int>(text.size()));
    if (maxBytes <= 0 || Utf8Bytes(text) <= maxBytes) return text;

    // What the user inserted lies between the part kept from the start and
    // the part kept from the end of the text before the change.
    qsizetype head = 0;
    const qsizetype limit = std::min(before.size(), text.size());
    while (head < limit && before[head] == text[head]) ++head;
    qsizetype tail = 0;
    while (tail < limit - head && before[before.size() - 1 - tail] == text[text.size() - 1 - tail]) ++tail;
    if (head > 0 && text[head - 1].isHighSurrogate()) --head;
    const QString prefix = text.left(head);
    const QString suffix = text.right(tail);
    const QString inserted = text.mid(head, text.size() - head - tail);
    const int room = maxBytes - Utf8Bytes(prefix) - Utf8Bytes(suffix);
    const QString kept = room > 0 ? HeadWithin(inserted, room) : QString();
    QString result = prefix + kept + suffix;
    // A text that was already too long (set by code) is not cut further by
    // an unrelated edit, but it never grows.
    if (Utf8Bytes(result) > maxBytes && Utf8Bytes(result) > Utf8Bytes(before)) result = before;
    cursor = static_cast<int>(std::min(prefix.size() + kept.size(), result.size()));
    return result;
}

QValidator::State EditRules::validate(QString& input, int& pos) const {
    if (code_ > 0) {
        base_ = input;
        return Acceptable;
    }
    input = CleanEditText(base_, input, max_, pos);
    base_ = input;
    return Acceptable;
}

}  // namespace forms::detail
