#include "app/frmHelp.h"

#include "app/frmWelcome.h"
#include "platform/BuildConfig.h"
#include "platform/Look.h"
#include "platform/Services.h"
#include "query/modCheck.h"

#include <QMouseEvent>
#include <QRegularExpression>

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
    window->setFixedSize(560, 560);

    int top = 18;
    auto label = [window, &top](const char *text, int height, int gapAfter = 10) {
        auto *l = new QLabel(layOut(QString::fromLatin1(text)), window);
        l->setGeometry(24, top, 512, height);
        l->setWordWrap(true);
        l->setTextFormat(Qt::PlainText);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        top += height + gapAfter;
        return l;
    };
    lblHelp1.set(label(kHelp1, 34, 14));
    lblHelp2.set(label(kHelp2, 52));
    lblHelp3.set(label(kHelp3, 34));
    lblHelp4.set(label(kHelp4, 70));
    lblhelp5.set(label(kHelp5, 52, 22));
    QLabel *updates = label("Software Updates:", 20, 4);
    look::setBold(updates);
    lblUpdate.set(updates);
    lblUpdate2.set(label(kUpdate2, 104, 18));
    lblFormore.set(label("For more details and help, please visit us at:", 20, 2));

    auto *website = new QLabel(QString::fromUtf8(build_config::kMakerWebUrl), window);
    website->setGeometry(24, top, 512, 22);
    website->setTextFormat(Qt::PlainText);
    website->setCursor(Qt::PointingHandCursor);
    website->installEventFilter(this);
    lblWebsite.set(website);

    auto *close = new QPushButton(QStringLiteral("&Close"), window);
    close->setGeometry(436, 506, 100, 34);
    close->setDefault(true);
    cmdClose.set(close);
    connect(close, &QPushButton::clicked, this, &frmHelp::cmdClose_Click);
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
    ::frmWelcome &welcome = Forms::frmWelcome();
    if (welcome.isLoaded())
        welcome.setWindowState(platform::vbNormal);
}

void frmHelp::Form_Unload(bool &Cancel)
{
    (void)Cancel;
    // Only a main window that is still there is restored; loading it again here would ask the
    // maker's server once more for nothing.
    ::frmWelcome &welcome = Forms::frmWelcome();
    if (welcome.isLoaded())
        welcome.setWindowState(platform::vbNormal);
}
