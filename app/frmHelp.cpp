#include "app/frmHelp.h"

#include "platform/BuildConfig.h"
#include "platform/Look.h"
#include "platform/Services.h"
#include "query/modCheck.h"

#include <QMouseEvent>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace {

const char kHelp1[] = "The following is a summary on how to use Kovara PC Program to update your "
                      "scale with its latest postage rates and services:";
const char kHelp2[]
    = "1.  Upon running PC Program, connect your scale to your computer         and "
      "turn it on. PC Program will automatically detect which port in        your "
      "computer your scale is connected to. Click Continue button.";
const char kHelp3[] = "2.  Click the 'Update Scale' button. The serial number of your scale        "
                      "  will appear.";
const char kHelp4[] = "3.  Make sure that you copied this link properly. Paste        this link in "
                      "the text box provided and click Continue button to              download "
                      "the file. After a successful download, proceed updating        your scale.";
const char kHelp5[] = "4.  Wait for a confirmation that your scale has been successfully          "
                      "    updated.  After this, your scale is now ready to use with its latest  "
                      "      postage rates and services.";
const char kUpdate2[] = "Once you run Kovara PC Program, it will automatically detect for a new "
                        "version.  A dialog box will appear if there is a new version of Kovara "
                        "PC program.  This is downloadable for free.              For scale "
                        "software updates like changes in rates or postage services, a banner "
                        "regarding the update will automatically appear in your PC Program.";

} // namespace

frmHelp::frmHelp()
    : Form(QStringLiteral("frmHelp"))
{ }

QString frmHelp::layOut(const QString &text)
{
    static const QRegularExpression lineEnd(QStringLiteral(" {3,}"));
    QString laidOut = text;
    return laidOut.replace(lineEnd, QStringLiteral("\n"));
}

void frmHelp::build(QWidget *window)
{
    window->setWindowTitle(QStringLiteral("Kovara PC Program Help"));
    constexpr int kWidth = 560;
    window->setFixedWidth(kWidth);

    // The texts are laid out top to bottom at the height the face needs, so none is cut off.
    auto *column = new QVBoxLayout(window);
    column->setContentsMargins(24, 20, 24, 20);
    column->setSpacing(10);
    auto label = [window, column](const char *text) {
        auto *l = new QLabel(layOut(QString::fromLatin1(text)), window);
        l->setWordWrap(true);
        l->setTextFormat(Qt::PlainText);
        column->addWidget(l);
        return l;
    };
    lblHelp1.set(label(kHelp1));
    column->addSpacing(4);
    lblHelp2.set(label(kHelp2));
    lblHelp3.set(label(kHelp3));
    lblHelp4.set(label(kHelp4));
    lblhelp5.set(label(kHelp5));
    column->addSpacing(12);
    lblUpdate.set(label("Software Updates:"));
    lblUpdate2.set(label(kUpdate2));
    column->addSpacing(12);
    lblFormore.set(label("For more details and help, please visit us at:"));

    auto *website = new QLabel(QString::fromUtf8(build_config::kMakerWebUrl), window);
    website->setTextFormat(Qt::PlainText);
    website->setCursor(Qt::PointingHandCursor);
    website->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    website->installEventFilter(this);
    lblWebsite.set(website);
    column->addWidget(website);
    column->addSpacing(8);

    auto *close = new QPushButton(QStringLiteral("&Close"), window);
    close->setFixedSize(100, 34);
    close->setDefault(true);
    cmdClose.set(close);
    connect(close, &QPushButton::clicked, this, &frmHelp::cmdClose_Click);
    column->addWidget(close, 0, Qt::AlignRight);

    window->setFixedHeight(column->totalHeightForWidth(kWidth));
}

void frmHelp::Form_Load()
{
    look::paint({window(),
                 lblHelp1.get(),
                 lblHelp2.get(),
                 lblHelp3.get(),
                 lblHelp4.get(),
                 lblhelp5.get(),
                 lblUpdate.get(),
                 lblUpdate2.get(),
                 lblFormore.get(),
                 lblWebsite.get(),
                 cmdClose.get()});
    QFont font = lblWebsite->font();
    font.setUnderline(true);
    lblWebsite->setFont(font);
    QPalette palette = lblWebsite->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    lblWebsite->setPalette(palette);
    centerOnScreen();
}

bool frmHelp::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lblWebsite.peek() && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        lblWebsite_Click();
        return true;
    }
    return Form::eventFilter(watched, event);
}

void frmHelp::lblWebsite_Click()
{
    // The result is not reported: the address stays readable on the window for the user to type.
    platform::shell().open(modCheck::ProductPageURL());
}

void frmHelp::cmdClose_Click()
{
    Close();
}

void frmHelp::Form_Unload(bool &Cancel)
{
    (void)Cancel;
    Q_EMIT closed();
}
