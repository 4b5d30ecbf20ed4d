// Saves a picture of each page of the configurator's window, for looking at
// them by hand under an X server (take-screenshots.sh): the home page, the
// network settings page after a read from a scripted USB printer, the
// cleaning page and the alignment page in both states.
//   grab-configurator-pages <install root> <output folder>

#include "alignment_form.h"
#include "configurator_pages.h"
#include "fake_usb.h"
#include "net_reply_builder.h"
#include "widget.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>

#include <cstdio>

namespace {

bool Save(Widget& window, const QString& folder, const char* name)
{
    QApplication::processEvents();
    const QString path = QDir(folder).filePath(QString::fromLatin1(name));
    if (window.grab().save(path))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qUtf8Printable(path));
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <install root> <output folder>\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    const QString root = QString::fromLocal8Bit(argv[1]);
    const QString folder = QString::fromLocal8Bit(argv[2]);

    // The USB printer of the sample list, answering a read of its settings.
    usb_testing::FakeUsb usb;
    usb_testing::FakeDevice printer = usb_testing::printerDevice(0x2F7A, 0x5A03, "ABC123");
    net_reply::Settings settings;
    settings.addresses = {"192.168.1.20", "255.255.255.0", "192.168.1.1", "192.168.1.1", "8.8.8.8", "0.0.0.0",
                          "0.0.0.0"};
    printer.bulkInAnswers[0x82] = {usb_testing::FakeAnswer{0, net_reply::Reply({net_reply::ConnectTypeItem("eth")})},
                                   usb_testing::FakeAnswer{0, net_reply::SettingsReply(1, settings)}};
    usb.addDevice(printer);

    Widget window(ConfiguratorContext{root, &usb});
    window.show();
    bool saved = Save(window, folder, "configurator-home.png");
    window.SlotChangeForm(kPageNet);
    window.Stack()->currentWidget()->findChild<QPushButton*>("buttonGet")->click();
    saved = Save(window, folder, "configurator-network.png") && saved;
    window.SlotChangeForm(kPageClean);
    saved = Save(window, folder, "configurator-cleaning.png") && saved;
    window.SlotChangeForm(kPageAlignment);
    saved = Save(window, folder, "configurator-alignment-print.png") && saved;
    auto* alignment = static_cast<AlignmentForm*>(window.Stack()->currentWidget());
    alignment->SetAlignmentEnable(true);
    const int values[] = {1, 0, -1, 2, -2, 6, -6};
    for (int r = 0; r < 7; ++r)
        alignment->findChild<QSpinBox*>(QStringLiteral("spinBox_%1").arg(r + 1))->setValue(values[r]);
    saved = Save(window, folder, "configurator-alignment-entry.png") && saved;
    return saved ? 0 : 1;
}
