// What covers an item card during a text improvement: the working animation with "Working to improve
// the content…", then the improved text with Accept (Return), Edit and Cancel (Escape).
#pragma once

#include "domain/BoardUser.h"

#include <QString>
#include <QWidget>

#include <optional>

class HardWorkAnimationView;
class MentionTextView;
class QLabel;
class QPushButton;

struct ItemCardMagicState
{
    bool isWorking = false;
    std::optional<QString> result;

    bool isIdle() const { return !isWorking && !result; }
    friend bool operator==(const ItemCardMagicState&, const ItemCardMagicState&) = default;
};

class ItemCardAIOverlay : public QWidget
{
    Q_OBJECT

public:
    explicit ItemCardAIOverlay(QWidget* parent = nullptr);

    void setState(const ItemCardMagicState& state);
    void setMentionCandidates(const QList<BoardUser>& candidates);

    QPushButton* acceptButton() const { return m_accept; }
    QPushButton* editButton() const { return m_edit; }
    QPushButton* cancelButton() const { return m_cancel; }
    QString shownResult() const;

Q_SIGNALS:
    void accepted(const QString& result);
    void editRequested(const QString& result);
    void cancelled();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ItemCardMagicState m_state;
    QList<BoardUser> m_candidates;
    QWidget* m_working = nullptr;
    HardWorkAnimationView* m_animation = nullptr;
    QWidget* m_resultPanel = nullptr;
    MentionTextView* m_resultText = nullptr;
    QPushButton* m_accept = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_cancel = nullptr;
};
