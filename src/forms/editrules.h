// What a one-line edit lets the user put into it: no control characters, and
// no more UTF-8 bytes than the field's record can hold.
#pragma once

#include <QString>
#include <QValidator>

namespace forms::detail {

// The text the edit keeps after the user turned `before` into `after` (typed,
// pasted, dropped): control characters (below 0x20 and DEL) go, and when the
// result passes maxBytes (0 = no limit) the part the user inserted is cut at a
// character boundary, so a long paste keeps its head instead of being refused.
// cursor is the caret in `after` on entry and in the result on return.
QString CleanEditText(const QString& before, const QString& after, int maxBytes, int& cursor);

// Applies CleanEditText to every change the user makes. Text set by code goes
// through untouched (SetCodeText) and becomes the base of the next change.
class EditRules : public QValidator {
public:
    EditRules(int maxBytes, QObject* parent) : QValidator(parent), max_(maxBytes) {}
    void SetMaxBytes(int n) { max_ = n; }
    // Call around a change made by code.
    void BeginCodeChange() { ++code_; }
    void EndCodeChange(const QString& text) {
        --code_;
        base_ = text;
    }
    State validate(QString& input, int& pos) const override;

private:
    int max_;
    int code_ = 0;
    mutable QString base_;
};

}  // namespace forms::detail
