#pragma once

// PrinterConfigurator's window: a fixed 400 x 400 stack of the home page, the
// alignment page, the cleaning page and the network settings page.

#include "configurator_context.h"

#include <QWidget>

class AlignmentForm;
class CleanForm;
class HomeForm;
class NetForm;
class QStackedWidget;

class Widget : public QWidget {
    Q_OBJECT
public:
    explicit Widget(const ConfiguratorContext& context, QWidget* parent = nullptr);

    QStackedWidget* Stack() const { return m_stackedWidget; }

public slots:
    // Shows page `index` (ConfiguratorPage); a working page is made ready
    // first. An index outside the stack is ignored.
    void SlotChangeForm(int index);

private:
    QStackedWidget* m_stackedWidget = nullptr;
    HomeForm* m_homeForm = nullptr;
    AlignmentForm* m_alignmentForm = nullptr;
    CleanForm* m_cleanForm = nullptr;
    NetForm* m_netForm = nullptr;
};
