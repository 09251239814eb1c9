// Read-only rendered item text: markdown with date badges and member mentions. Clicking a mention
// opens a small popover about the member, clicking a link opens it; anywhere else the view lets
// clicks, drags and hovers through to the item card beneath.
#pragma once

#include "richtext/ItemTextStyle.h"
#include "richtext/MentionRange.h"

#include "domain/BoardUser.h"

#include <QPointer>
#include <QTextDocument>
#include <QWidget>

#include <array>
#include <limits>
#include <memory>
#include <optional>

#include "richtext/MentionPopover.h"

class MentionTextView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int verticalInset = 2;

    explicit MentionTextView(QWidget* parent = nullptr);
    ~MentionTextView() override;

    // Re-renders the whole content; `mentionCandidates` are the members of the item's board.
    void updateContent(const QString& text, const QList<BoardUser>& mentionCandidates);

    const QList<MentionRange>& mentionRanges() const { return m_mentionRanges; }
    const QTextDocument* document() const { return m_document.get(); }
    QString text() const { return m_text; }

    QFont baseFont() const { return m_baseFont; }
    void setBaseFont(const QFont& font);
    // The locale and zone of date badges; without one the system's current values are used.
    void setTemporalContext(const std::optional<TemporalContext>& context);
    // Width used for measuring while the view has no width of its own yet.
    void setFallbackWidth(int width);
    int measuredHeight() const { return m_measuredHeight; }
    // Off: link clicks are only reported through linkActivated.
    void setOpensLinks(bool opens) { m_opensLinks = opens; }
    // Off: mention clicks are only reported through mentionSelected.
    void setShowsMentionPopover(bool shows) { m_showsMentionPopover = shows; }
    MentionPopover* mentionPopover() const { return m_popover; }

    std::optional<MentionRange> mentionAt(const QPoint& point) const;
    std::optional<QString> linkAt(const QPoint& point) const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void mentionSelected(const MentionRange& mention);
    void linkActivated(const QString& address);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void rebuild();
    void measure();
    bool isDark() const;
    QPointF toDocument(const QPoint& point) const;
    void showPopover(const MentionRange& mention);

    QString m_text;
    QList<BoardUser> m_candidates;
    QFont m_baseFont;
    std::optional<TemporalContext> m_context;
    std::unique_ptr<QTextDocument> m_document;
    QList<MentionRange> m_mentionRanges;
    QPointer<MentionPopover> m_popover;
    int m_fallbackWidth = 240;
    int m_measuredHeight = 0;
    bool m_opensLinks = true;
    bool m_showsMentionPopover = true;
    bool m_rebuilding = false;
    std::optional<QString> m_pressedTarget; // what the primary button went down on

    // Layouts ask for the height at a width many times while they settle, and each answer lays the
    // whole text out: the last few answers are kept until the document is rebuilt.
    struct MeasuredWidth
    {
        int width = std::numeric_limits<int>::min(); // no width asked yet
        int height = 0;
    };
    mutable std::array<MeasuredWidth, 8> m_heightsForWidth {};
    mutable size_t m_nextHeightSlot = 0;
};
