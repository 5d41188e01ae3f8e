#pragma once
// An edit with up/down buttons: the buttons (and the arrow keys and the mouse
// wheel) step the number within a range, but the text takes whatever is
// typed, so a value outside the buttons' range can still be entered and is
// read as typed.
#include <QAbstractSpinBox>

class TUpDownEdit : public QAbstractSpinBox {
    Q_OBJECT
public:
    TUpDownEdit(int minimum, int maximum, int increment, const QString& text,
                QWidget* parent = nullptr);

    void SetText(const QString& text);
    int Minimum() const { return Min; }
    int Maximum() const { return Max; }
    int Increment() const { return Step; }

    void stepBy(int steps) override;

protected:
    StepEnabled stepEnabled() const override;

private:
    // The position the buttons start from: the typed number kept in range, or
    // the last position when the text is no number.
    int Position() const;
    int Min, Max, Step;
    mutable int LastPosition;
};
