// The busy pointer for the length of a scope (nesting is fine).
#pragma once

#include <QApplication>
#include <QCursor>

namespace shell {

class THourglass {
public:
    THourglass() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~THourglass() { QApplication::restoreOverrideCursor(); }
    THourglass(const THourglass&) = delete;
    THourglass& operator=(const THourglass&) = delete;
};

}  // namespace shell
