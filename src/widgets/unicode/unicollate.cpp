#include "widgets/unicode/unicollate.h"

#include <QCollator>
#include <QLocale>
#include <QString>
#include <QStringView>
#include <memory>

namespace uni {
namespace {

// Built again only when the default locale changes.
struct Collators {
    QLocale locale;
    QCollator exact;
    QCollator folded;
    Collators() : exact(locale), folded(locale) {
        exact.setCaseSensitivity(Qt::CaseSensitive);
        folded.setCaseSensitivity(Qt::CaseInsensitive);
    }
};

Collators& Current() {
    thread_local std::unique_ptr<Collators> collators;
    if (!collators || collators->locale != QLocale()) collators = std::make_unique<Collators>();
    return *collators;
}

int Sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

}  // namespace

int WideCompareText(const std::u16string& A, const std::u16string& B, bool IgnoreCase) {
    const QStringView a(A.data(), static_cast<qsizetype>(A.size()));
    const QStringView b(B.data(), static_cast<qsizetype>(B.size()));
    Collators& c = Current();
    if (const int r = (IgnoreCase ? c.folded : c.exact).compare(a, b)) return Sign(r);
    return Sign(a.compare(b, IgnoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive));
}

}  // namespace uni
