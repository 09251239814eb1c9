#include "app/sidebar/SidebarMainHeader.h"

#include "app/KeyboardMenus.h"
#include "app/Palette.h"
#include "symbols/SymbolIcons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

namespace {
QToolButton* headerButton(const QString& symbol, const QString& help, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setIcon(SymbolIcons::icon(symbol, Palette::secondaryText(), 16));
    button->setIconSize(QSize(16, 16));
    button->setToolTip(help);
    button->setAccessibleName(help);
    button->setAutoRaise(true);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}
}

SidebarMainHeader::SidebarMainHeader(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("sidebarMainHeader"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 10, 8, 6);
    layout->setSpacing(4);

    m_back = headerButton(QStringLiteral("chevron.backward"), QStringLiteral("Back to Boards"), this);
    m_back->setObjectName(QStringLiteral("sidebarBackButton"));
    if (m_back->icon().isNull())
        m_back->setText(QStringLiteral("‹"));
    layout->addWidget(m_back);

    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("sidebarTitle"));
    QFont font = m_title->font();
    font.setPointSizeF(font.pointSizeF() + 2);
    font.setBold(true);
    m_title->setFont(font);
    QPalette titlePalette = m_title->palette();
    titlePalette.setColor(QPalette::WindowText, Palette::primaryText());
    m_title->setPalette(titlePalette);
    layout->addWidget(m_title, 1);

    m_menuButton = headerButton(QStringLiteral("plus"), QStringLiteral("New or join a board"), this);
    m_menuButton->setObjectName(QStringLiteral("sidebarMenuButton"));
    layout->addWidget(m_menuButton);

    m_hide = headerButton(QStringLiteral("sidebar.left"), QStringLiteral("Hide sidebar"), this);
    m_hide->setObjectName(QStringLiteral("hideSidebarButton"));
    if (m_hide->icon().isNull())
        m_hide->setIcon(SymbolIcons::icon(QStringLiteral("chevron.left"), Palette::secondaryText(), 16));
    if (m_hide->icon().isNull())
        m_hide->setText(QStringLiteral("«"));
    layout->addWidget(m_hide);

    connect(m_back, &QToolButton::clicked, this, &SidebarMainHeader::backRequested);
    connect(m_hide, &QToolButton::clicked, this, &SidebarMainHeader::hideSidebarRequested);
    connect(m_menuButton, &QToolButton::clicked, this, &SidebarMainHeader::presentMenu);
    setMode(SidebarMode::active);
}

void SidebarMainHeader::setMode(SidebarMode mode)
{
    const bool archived = mode == SidebarMode::archived;
    m_title->setText(archived ? QStringLiteral("Archived") : QStringLiteral("Boards"));
    m_back->setVisible(archived);
    m_menuButton->setVisible(!archived);
}

void SidebarMainHeader::setMenuSections(QList<SidebarMenuSection> sections)
{
    m_sections = std::move(sections);
}

void SidebarMainHeader::setLeadingInset(int inset)
{
    QMargins margins = layout()->contentsMargins();
    margins.setLeft(inset);
    layout()->setContentsMargins(margins);
}

QString SidebarMainHeader::title() const
{
    return m_title->text();
}

QMenu* SidebarMainHeader::makeMenu(QWidget* parent) const
{
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("sidebarHeaderMenu"));
    menu->setAccessibleName(QStringLiteral("New or join a board"));
    for (qsizetype index = 0; index < m_sections.size(); ++index) {
        if (index > 0)
            menu->addSeparator();
        for (const SidebarMenuItem& item : m_sections.at(index).items) {
            // An entry that opens a dialog ends with an ellipsis, as desktop menus write it; a drawn
            // chevron would be read out as a symbol.
            const QString text = item.showsChevron ? item.title + QChar(0x2026) : item.title;
            QAction* action = menu->addAction(SymbolIcons::icon(item.systemImage, Palette::primaryText(), 16), text);
            action->setData(item.title);
            const auto run = item.action;
            QObject::connect(action, &QAction::triggered, menu, [run] {
                if (run)
                    run();
            });
        }
    }
    return menu;
}

void SidebarMainHeader::presentMenu()
{
    QMenu* menu = makeMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    m_isMenuPresented = true;
    connect(menu, &QMenu::aboutToHide, this, [this] { m_isMenuPresented = false; });
    if (m_menuButton->hasFocus())
        KeyboardMenus::highlightFirstEntry(*menu);
    menu->popup(m_menuButton->mapToGlobal(QPoint(0, m_menuButton->height())));
}
