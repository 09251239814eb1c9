// One destination of the rail: a symbol above a small label, highlighted while selected.
#pragma once

#include <QAbstractButton>

class RailButton : public QAbstractButton
{
    Q_OBJECT

public:
    static constexpr int buttonWidth = 74;

    RailButton(const QString& symbol, const QString& label, QWidget* parent = nullptr);

    void setSelected(bool selected);
    bool isSelected() const { return m_selected; }
    // An avatar with initials instead of a symbol (the account button).
    void setInitials(const QString& initials);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QString m_symbol;
    QString m_initials;
    bool m_selected = false;
    bool m_hovered = false;
};
