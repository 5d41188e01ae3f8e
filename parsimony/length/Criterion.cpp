#include "parsimony/length/Criterion.h"

#include <array>

namespace {
constexpr std::array<TCriterion, 4> AllCriteria{TCriterion::Irreversible,
                                                TCriterion::StateTreeReversible,
                                                TCriterion::Ordered, TCriterion::Unordered};
}  // namespace

QString CriterionName(TCriterion criterion)
{
    switch (criterion) {
        case TCriterion::Irreversible:
            return QStringLiteral("irreversible");
        case TCriterion::StateTreeReversible:
            return QStringLiteral("state tree, reversible");
        case TCriterion::Ordered:
            return QStringLiteral("ordered (Wagner)");
        case TCriterion::Unordered:
            return QStringLiteral("unordered (Fitch)");
    }
    return {};
}

QString CriterionOption(TCriterion criterion)
{
    switch (criterion) {
        case TCriterion::Irreversible:
            return QStringLiteral("irreversible");
        case TCriterion::StateTreeReversible:
            return QStringLiteral("reversible");
        case TCriterion::Ordered:
            return QStringLiteral("ordered");
        case TCriterion::Unordered:
            return QStringLiteral("unordered");
    }
    return {};
}

TResult<TCriterion> ParseCriterion(const QString& option)
{
    for (TCriterion c : AllCriteria)
        if (option == CriterionOption(c)) return c;
    return TFailure(
        QStringLiteral(
            "Unknown criterion \"%1\": use irreversible, reversible, ordered or unordered.")
            .arg(option));
}
