#include "parsimony/forms/UpDownEdit.h"

#include <QLineEdit>
#include <algorithm>

TUpDownEdit::TUpDownEdit(int minimum, int maximum, int increment, const QString& text,
                         QWidget* parent)
    : QAbstractSpinBox(parent), Min(minimum), Max(maximum), Step(increment), LastPosition(minimum)
{
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setKeyboardTracking(true);
    SetText(text);
    Position();
}

void TUpDownEdit::SetText(const QString& text) { lineEdit()->setText(text); }

int TUpDownEdit::Position() const
{
    bool ok = false;
    const int typed = text().trimmed().toInt(&ok);
    if (ok) LastPosition = std::clamp(typed, Min, Max);
    return LastPosition;
}

void TUpDownEdit::stepBy(int steps)
{
    const long long next =
        static_cast<long long>(Position()) + static_cast<long long>(steps) * Step;
    LastPosition = static_cast<int>(std::clamp<long long>(next, Min, Max));
    SetText(QString::number(LastPosition));
}

QAbstractSpinBox::StepEnabled TUpDownEdit::stepEnabled() const
{
    if (isReadOnly() || !isEnabled()) return StepNone;
    const int p = Position();
    StepEnabled enabled = StepNone;
    if (p < Max) enabled |= StepUpEnabled;
    if (p > Min) enabled |= StepDownEnabled;
    return enabled;
}
