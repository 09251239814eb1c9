#include "richtext/MentionTextView.h"

#include "richtext/ItemTextRenderer.h"
#include "richtext/LinkOpener.h"
#include "richtext/MentionPopover.h"
#include "richtext/RichTextHitTester.h"

#include <QAbstractTextDocumentLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

#include <cmath>

MentionTextView::MentionTextView(QWidget* parent)
    : QWidget(parent)
    , m_baseFont(ItemTextStyle::defaultBaseFont())
{
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    rebuild();
}

MentionTextView::~MentionTextView()
{
    if (m_popover)
        m_popover->deleteLater();
}

void MentionTextView::updateContent(const QString& text, const QList<BoardUser>& mentionCandidates)
{
    m_text = text;
    m_candidates = mentionCandidates;
    rebuild();
}

void MentionTextView::setBaseFont(const QFont& font)
{
    m_baseFont = font;
    rebuild();
}

void MentionTextView::setTemporalContext(const std::optional<TemporalContext>& context)
{
    m_context = context;
    rebuild();
}

void MentionTextView::setFallbackWidth(int width)
{
    m_fallbackWidth = width;
    measure();
}

bool MentionTextView::isDark() const
{
    return palette().color(QPalette::Window).lightness() < 128;
}

void MentionTextView::rebuild()
{
    m_rebuilding = true;
    ItemTextStyle style;
    style.baseFont = m_baseFont;
    style.palette = RichTextPalette::forAppearance(isDark());
    style.context = m_context.value_or(TemporalContext::system());
    style.layoutWidth = width() > 0 ? width() : m_fallbackWidth;
    RenderedItemText rendered = ItemTextRenderer::render(m_text, m_candidates, style);
    m_document = std::move(rendered.document);
    m_mentionRanges = std::move(rendered.mentionRanges);
    m_heightsForWidth.fill({});
    m_rebuilding = false;
    measure();
    // Heights at other widths may have changed even where this one did not.
    updateGeometry();
    update();
}

void MentionTextView::measure()
{
    if (!m_document)
        return;
    const int width = this->width() > 0 ? this->width() : m_fallbackWidth;
    // Setting the width lays the document out again even when it is the same.
    if (m_document->textWidth() != width)
        m_document->setTextWidth(width);
    const int height = static_cast<int>(std::ceil(m_document->documentLayout()->documentSize().height() + 2 * verticalInset));
    if (height != m_measuredHeight) {
        m_measuredHeight = height;
        updateGeometry();
    }
}

int MentionTextView::heightForWidth(int width) const
{
    if (!m_document)
        return 2 * verticalInset;
    for (const MeasuredWidth& measured : m_heightsForWidth) {
        if (measured.width == width)
            return measured.height;
    }
    std::unique_ptr<QTextDocument> probe(m_document->clone());
    probe->setDocumentMargin(0);
    probe->setTextWidth(width);
    const int height = static_cast<int>(std::ceil(probe->documentLayout()->documentSize().height() + 2 * verticalInset));
    m_heightsForWidth[m_nextHeightSlot] = { width, height };
    m_nextHeightSlot = (m_nextHeightSlot + 1) % m_heightsForWidth.size();
    return height;
}

QSize MentionTextView::sizeHint() const
{
    const int width = this->width() > 0 ? this->width() : m_fallbackWidth;
    return {width, m_measuredHeight};
}

QSize MentionTextView::minimumSizeHint() const
{
    return {0, m_measuredHeight};
}

void MentionTextView::paintEvent(QPaintEvent*)
{
    if (!m_document)
        return;
    QPainter painter(this);
    painter.translate(0, verticalInset);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = palette();
    m_document->documentLayout()->draw(&painter, context);
}

void MentionTextView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    measure();
}

void MentionTextView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // The colours are baked into the document, so a change of appearance re-renders it.
    if ((event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) && !m_rebuilding)
        rebuild();
}

QPointF MentionTextView::toDocument(const QPoint& point) const
{
    return QPointF(point) - QPointF(0, verticalInset);
}

std::optional<MentionRange> MentionTextView::mentionAt(const QPoint& point) const
{
    if (!m_document)
        return std::nullopt;
    return RichTextHitTester::mentionAt(*m_document, m_mentionRanges, toDocument(point));
}

std::optional<QString> MentionTextView::linkAt(const QPoint& point) const
{
    if (!m_document)
        return std::nullopt;
    return RichTextHitTester::linkAt(*m_document, toDocument(point));
}

void MentionTextView::mousePressEvent(QMouseEvent* event)
{
    m_pressedTarget.reset();
    if (event->button() == Qt::LeftButton) {
        if (const auto mention = mentionAt(event->position().toPoint())) {
            m_pressedTarget = QStringLiteral("@") + QString::number(mention->location);
            event->accept();
            return;
        }
        if (const auto link = linkAt(event->position().toPoint())) {
            m_pressedTarget = *link;
            event->accept();
            return;
        }
    }
    // Not ours: the item card beneath handles it (including the context menu).
    event->ignore();
}

void MentionTextView::mouseReleaseEvent(QMouseEvent* event)
{
    const std::optional<QString> pressed = std::exchange(m_pressedTarget, std::nullopt);
    if (event->button() != Qt::LeftButton || !pressed) {
        event->ignore();
        return;
    }
    const QPoint point = event->position().toPoint();
    if (const auto mention = mentionAt(point); mention && *pressed == QStringLiteral("@") + QString::number(mention->location)) {
        Q_EMIT mentionSelected(*mention);
        if (m_showsMentionPopover)
            showPopover(*mention);
        event->accept();
        return;
    }
    if (const auto link = linkAt(point); link && *pressed == *link) {
        Q_EMIT linkActivated(*link);
        if (m_opensLinks)
            LinkOpener::open(QUrl(*link), this);
        event->accept();
        return;
    }
    event->ignore();
}

void MentionTextView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (mentionAt(point) || linkAt(point)) {
        setCursor(Qt::PointingHandCursor);
        event->accept();
        return;
    }
    unsetCursor();
    event->ignore();
}

void MentionTextView::showPopover(const MentionRange& mention)
{
    if (m_popover)
        m_popover->close();
    const QRectF rect = RichTextHitTester::firstLineRect(*m_document, mention.location, mention.length)
                            .translated(0, verticalInset);
    m_popover = new MentionPopover(mention.user, this);
    // Below the mention, at its left edge.
    m_popover->showBelow(mapToGlobal(rect.bottomLeft().toPoint()));
}
