#pragma once

// The configurator's window on a temporary install root and the scripted USB
// bus, with its pages and their controls at hand.

#include "alignment_form.h"
#include "assistant_test_files.h"
#include "clean_form.h"
#include "fake_usb.h"
#include "message_box_recorder.h"
#include "net_form.h"
#include "temp_folder.h"
#include "widget.h"

#include <QComboBox>
#include <QPushButton>
#include <QStackedWidget>

#include <gtest/gtest.h>

#include <memory>

namespace configurator_test {

inline constexpr int kVendor = 0x2F7A;
inline constexpr int kMdw = 0x5A03;
// USB printers of the model "TX 560MDW" with their serial numbers, and a
// network printer.
inline const QString kPortQ1 = QStringLiteral("Taliro/TX%20560MDW?serial=ABC123");
inline const QString kPortQ2 = QStringLiteral("Taliro/TX%20560MDW?serial=XYZ789");

inline stPrinterInfo UsbPrinter(const QString& name, const QString& port)
{
    return assistant_test::Printer(name, 1, port);
}

inline stPrinterInfo NetworkPrinter(const QString& name, const QString& address)
{
    return assistant_test::Printer(name, 2, address, QStringLiteral("socket://") + address + QStringLiteral(":9100"));
}

class ConfiguratorTest : public ::testing::Test {
protected:
    QString Root() const { return QString::fromStdString(m_root.path()); }
    // Q1 and Q2, two USB printers of one model that take frames without
    // answering, on the bus and in the printer list, with `more` after them.
    void AddUsbPrinters(const QList<stPrinterInfo>& more = {})
    {
        m_usb.addDevice(usb_testing::printerDevice(kVendor, kMdw, "ABC123"));
        m_usb.addDevice(usb_testing::printerDevice(kVendor, kMdw, "XYZ789"));
        WritePrinters(QList<stPrinterInfo>{UsbPrinter(QStringLiteral("Q1"), kPortQ1),
                                           UsbPrinter(QStringLiteral("Q2"), kPortQ2)} + more);
    }
    static void ExpectGivenBack(const usb_testing::FakeUsb& usb, const std::string& what = std::string())
    {
        EXPECT_TRUE(usb.leaks().empty()) << what << ::testing::PrintToString(usb.leaks());
        EXPECT_TRUE(usb.misuses().empty()) << what << ::testing::PrintToString(usb.misuses());
    }
    void WritePrinters(const QList<stPrinterInfo>& printers) { assistant_test::WritePrinterList(Root(), printers); }

    Widget& Window()
    {
        if (!m_window) {
            m_window = std::make_unique<Widget>(ConfiguratorContext{Root(), &m_usb});
            m_window->show();
        }
        return *m_window;
    }
    template <typename Page>
    Page& ShowPage(int index)
    {
        Window().SlotChangeForm(index);
        auto* page = qobject_cast<Page*>(Window().Stack()->currentWidget());
        EXPECT_NE(page, nullptr);
        return *page;
    }
    static QPushButton* Button(QWidget& page, const char* name) { return page.findChild<QPushButton*>(name); }
    static QComboBox* Printers(QWidget& page) { return page.findChild<QComboBox*>("comboBoxDevice"); }

    testsupport::TempFolder m_root;
    usb_testing::FakeUsb m_usb;
    std::unique_ptr<Widget> m_window;
};

}  // namespace configurator_test
