#include "ui/HelpWindow.h"

#include "ui/Look.h"

#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

HelpWindow::HelpWindow(const QString &website, const QString &supportLog, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(tr("Kovara PC Program Help"));
    constexpr int kWidth = 560;
    setFixedWidth(kWidth);

    // The texts are laid out top to bottom at the height the face needs, so none is cut off.
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(24, 20, 24, 20);
    column->setSpacing(10);
    auto label = [this, column](const char *name, const QString &text) {
        auto *l = new QLabel(layOut(text), this);
        l->setObjectName(QString::fromLatin1(name));
        l->setWordWrap(true);
        l->setTextFormat(Qt::PlainText);
        look::paint(l);
        column->addWidget(l);
        return l;
    };
    label("lblHelp1",
          tr("The following is a summary on how to use Kovara PC Program to update your scale "
             "with its latest postage rates and services:"));
    column->addSpacing(4);
    label("lblHelp2",
          tr("1.  Upon running PC Program, connect your scale to your computer         and turn "
             "it on. PC Program will automatically detect which port in        your computer "
             "your scale is connected to. Click Continue button."));
    label("lblHelp3",
          tr("2.  Click the 'Update Scale' button. The serial number of your scale          "
             "will appear."));
    label("lblHelp4",
          tr("3.  Make sure that you copied this link properly. Paste        this link in the "
             "text box provided and click Continue button to              download the file. "
             "After a successful download, proceed updating        your scale."));
    label("lblhelp5",
          tr("4.  Wait for a confirmation that your scale has been successfully              "
             "updated.  After this, your scale is now ready to use with its latest        "
             "postage rates and services."));
    column->addSpacing(12);
    label("lblUpdate", tr("Software Updates:"));
    label("lblUpdate2",
          tr("Once you run Kovara PC Program, it will automatically detect for a new version.  "
             "A dialog box will appear if there is a new version of Kovara PC program.  This is "
             "downloadable for free.              For scale software updates like changes in "
             "rates or postage services, a banner regarding the update will automatically "
             "appear in your PC Program."));
    column->addSpacing(12);
    label("lblFormore", tr("For more details and help, please visit us at:"));

    m_website = new QLabel(website, this);
    m_website->setObjectName(QStringLiteral("lblWebsite"));
    m_website->setTextFormat(Qt::PlainText);
    m_website->setCursor(Qt::PointingHandCursor);
    m_website->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    look::paint(m_website);
    QFont font = m_website->font();
    font.setUnderline(true);
    m_website->setFont(font);
    QPalette palette = m_website->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    m_website->setPalette(palette);
    m_website->installEventFilter(this);
    column->addWidget(m_website);
    column->addSpacing(8);
    // Selectable, so that it can be copied into a message to the support.
    label("lblSupportLog",
          tr("If Kovara's support asks for the program's log, it is the file:") + QLatin1Char('\n')
              + QDir::toNativeSeparators(supportLog))
        ->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *close = new QPushButton(tr("&Close"), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    close->setFixedSize(100, 34);
    close->setDefault(true);
    look::paint(close);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    column->addWidget(close, 0, Qt::AlignRight);

    look::paint(this);
    setFixedHeight(column->totalHeightForWidth(kWidth));
}

QString HelpWindow::layOut(const QString &text)
{
    static const QRegularExpression lineEnd(QStringLiteral(" {3,}"));
    QString laidOut = text;
    return laidOut.replace(lineEnd, QStringLiteral("\n"));
}

void HelpWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void HelpWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    Q_EMIT closed();
}

bool HelpWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_website && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        Q_EMIT websiteRequested();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
