// SPDX-License-Identifier: MIT
#pragma once

#include "CI2cDeviceFile.h"
#include "CProjectsPanel.h"
#include "ProjectsItemRoles.h"
#include "commanddialog.h"
#include "projectdevicedialog.h"
#include "sequencedialog.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFile>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QMenu>
#include <QMessageBox>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QSpinBox>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// Stands in for the main window: holds the dock's six widgets and answers the panel's three
// address callbacks the way the window does ("0x" and two upper-case hex digits, 7-bit or
// 8-bit notation).
class CPanelHost : public QWidget
{
public:
    CPanelHost()
    {
        auto *layout = new QVBoxLayout(this);
        filter = new QLineEdit(this);
        tree = new QTreeView(this);
        description = new QLabel(this);
        auto *buttons = new QHBoxLayout;
        newButton = new QPushButton(QStringLiteral("New"), this);
        reloadButton = new QPushButton(QStringLiteral("Reload"), this);
        folderButton = new QPushButton(QStringLiteral("Folder"), this);
        buttons->addWidget(newButton);
        buttons->addWidget(reloadButton);
        buttons->addWidget(folderButton);
        layout->addWidget(filter);
        layout->addWidget(tree);
        layout->addWidget(description);
        layout->addLayout(buttons);
        resize(480, 640);
    }

    CProjectsPanel *CreatePanel()
    {
        const CProjectsPanel::SWidgets widgets{tree,      filter,       description,
                                               newButton, reloadButton, folderButton};
        panel = new CProjectsPanel(
            widgets, [this](unsigned char address) { return Format(address); },
            [this](const QString &text) { return Parse(text); },
            [this]() { return currentAddress; }, this);
        return panel;
    }

    QString Format(unsigned char address) const
    {
        const unsigned value = eightBit ? unsigned(address) << 1 : unsigned(address);
        return QStringLiteral("0x") + QString::number(value, 16).toUpper().rightJustified(2, u'0');
    }

    std::optional<unsigned char> Parse(const QString &text) const
    {
        QString digits = text.trimmed();
        if (digits.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive))
            digits = digits.mid(2);
        bool ok = false;
        const unsigned value = digits.toUInt(&ok, 16);
        if (!ok || value > (eightBit ? 0xFFu : 0x7Fu))
            return std::nullopt;
        return static_cast<unsigned char>(eightBit ? value >> 1 : value);
    }

    QAbstractItemModel *Proxy() const { return tree->model(); }
    QAbstractItemModel *Source() const
    {
        return static_cast<QSortFilterProxyModel *>(tree->model())->sourceModel();
    }

    // Column 0 texts of the top-level rows the tree shows.
    QStringList TopLevelNames() const
    {
        QStringList names;
        for (int row = 0; row < Proxy()->rowCount(); ++row)
            names.append(Proxy()->index(row, 0).data().toString());
        return names;
    }

    QModelIndex Row(const QString &name) const
    {
        for (int row = 0; row < Proxy()->rowCount(); ++row) {
            const QModelIndex index = Proxy()->index(row, 0);
            if (index.data().toString() == name)
                return index;
        }
        return {};
    }

    QModelIndex CommandRow(const QString &device, const QString &label) const
    {
        const QModelIndex parent = Row(device);
        for (int row = 0; row < Proxy()->rowCount(parent); ++row) {
            const QModelIndex index = Proxy()->index(row, 0, parent);
            if (index.data().toString() == label)
                return index;
        }
        return {};
    }

    QStringList ChildLabels(const QString &device) const
    {
        QStringList labels;
        const QModelIndex parent = Row(device);
        for (int row = 0; row < Proxy()->rowCount(parent); ++row)
            labels.append(Proxy()->index(row, 0, parent).data().toString());
        return labels;
    }

    // "device" or "device/label" of the current row, empty when there is none.
    QString CurrentText() const
    {
        const QModelIndex current = tree->currentIndex().siblingAtColumn(0);
        if (!current.isValid())
            return {};
        if (current.parent().isValid())
            return current.parent().data().toString() + u'/' + current.data().toString();
        return current.data().toString();
    }

    QTreeView *tree = nullptr;
    QLineEdit *filter = nullptr;
    QLabel *description = nullptr;
    QPushButton *newButton = nullptr;
    QPushButton *reloadButton = nullptr;
    QPushButton *folderButton = nullptr;
    CProjectsPanel *panel = nullptr;
    bool eightBit = false;
    std::optional<unsigned char> currentAddress;
};

// Answers modal windows and popup menus in the order they appear. Each step waits until the
// active popup (or, without one, the active modal window) is of its type, then acts on it.
// A window that a step is acting on is not offered to the next step until the action ends,
// so a step may keep its window open and wait for the folder to be reloaded underneath it.
// A step not reached in time is a failure; once all steps are done, any further window is a
// failure and is closed, so a test fails instead of hanging. One script per operation.
class CModalScript : public QObject
{
public:
    explicit CModalScript(int stepTimeoutMs = 15000)
        : m_stepTimeoutMs(stepTimeoutMs)
    {
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, [this] { Poll(); });
        m_timer.start();
        m_waiting.start();
    }

    template <typename T, typename F>
    CModalScript &Then(F action)
    {
        m_steps.push_back({&T::staticMetaObject, [action](QWidget *widget) {
                               action(static_cast<T *>(widget));
                           }});
        return *this;
    }

    bool Done() const { return m_steps.empty() && m_acting.isEmpty() && m_failure.isEmpty(); }
    QString Failure() const
    {
        return m_failure.isEmpty() && !m_steps.empty()
                   ? QStringLiteral("%1 step(s) not reached").arg(m_steps.size())
                   : m_failure;
    }
    // The titles and texts of the windows the steps acted on, in order.
    const QStringList &Seen() const { return m_seen; }

private:
    struct SStep
    {
        const QMetaObject *type;
        std::function<void(QWidget *)> action;
    };

    void Poll()
    {
        QWidget *widget = QApplication::activePopupWidget();
        if (widget == nullptr)
            widget = QApplication::activeModalWidget();
        if (m_steps.empty()) {
            // A window nobody expected would block the test until its time-out.
            if (widget != nullptr && widget->isVisible() && m_acting.isEmpty()) {
                if (m_failure.isEmpty())
                    m_failure = QStringLiteral("unexpected window: ") + Describe(widget);
                Close(widget);
            }
            m_waiting.restart();
            return;
        }
        if (widget != nullptr && widget->isVisible() && !m_acting.contains(widget) &&
            m_steps.front().type->cast(widget)) {
            SStep step = std::move(m_steps.front());
            m_steps.erase(m_steps.begin());
            m_seen.append(Describe(widget));
            m_acting.append(widget);
            m_waiting.restart();
            // Outside this slot: a timer does not fire again while its slot runs, and the
            // action may open the next window or wait inside one.
            QTimer::singleShot(0, this, [this, step = std::move(step), target = QPointer(widget)] {
                if (target)
                    step.action(target);
                m_acting.removeOne(target.data());
            });
            return;
        }
        if (m_waiting.elapsed() > m_stepTimeoutMs) {
            m_failure = QStringLiteral("no %1 appeared; open: %2")
                            .arg(QString::fromLatin1(m_steps.front().type->className()),
                                 widget ? Describe(widget) : QStringLiteral("nothing"));
            m_steps.clear();
        }
    }

    static void Close(QWidget *widget)
    {
        if (auto *dialog = qobject_cast<QDialog *>(widget))
            dialog->reject();
        else
            widget->close();
    }

    static QString Describe(QWidget *widget)
    {
        if (auto *box = qobject_cast<QMessageBox *>(widget))
            return box->windowTitle() + QStringLiteral(": ") + box->text();
        if (auto *input = qobject_cast<QInputDialog *>(widget))
            return input->windowTitle() + QStringLiteral(": ") + input->labelText();
        if (qobject_cast<QMenu *>(widget))
            return QStringLiteral("menu");
        return widget->windowTitle();
    }

    QTimer m_timer;
    QElapsedTimer m_waiting;
    std::vector<SStep> m_steps;
    QStringList m_seen;
    QString m_failure;
    QList<QWidget *> m_acting;
    int m_stepTimeoutMs;
};

inline void ClickButton(QMessageBox *box, QMessageBox::StandardButton which)
{
    if (QAbstractButton *button = box->button(which))
        button->click();
    else
        box->reject();
}

inline void FillDeviceDialog(ProjectDeviceDialog *dialog, const QString &name,
                             const std::optional<QString> &address = std::nullopt,
                             const QString &description = QString())
{
    dialog->findChild<QLineEdit *>(QStringLiteral("nameEdit"))->setText(name);
    if (address)
        dialog->findChild<QLineEdit *>(QStringLiteral("addressEdit"))->setText(*address);
    dialog->findChild<QPlainTextEdit *>(QStringLiteral("descriptionEdit"))
        ->setPlainText(description);
}

// Enters a command the way a user does: the kind first, then the fields it shows.
inline void FillCommandDialog(CommandDialog *dialog, const QString &label, EI2cCommandType type,
                              EI2cWriteMode mode, const QString &data, int count)
{
    dialog->findChild<QLineEdit *>(QStringLiteral("labelEdit"))->setText(label);
    auto *types = dialog->findChild<QComboBox *>(QStringLiteral("typeCombo"));
    types->setCurrentIndex(types->findData(int(type)));
    dialog->findChild<QComboBox *>(QStringLiteral("modeCombo"))->setCurrentIndex(int(mode));
    dialog->findChild<QLineEdit *>(QStringLiteral("dataEdit"))->setText(data);
    dialog->findChild<QSpinBox *>(QStringLiteral("countSpin"))->setValue(count);
}

inline void ClickOk(QDialog *dialog)
{
    dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
}

inline QStringList MenuEntries(QMenu *menu)
{
    QStringList entries;
    for (QAction *action : menu->actions()) {
        if (action->isSeparator())
            entries.append(QStringLiteral("-"));
        else
            entries.append(action->text() +
                           (action->isEnabled() ? QString() : QStringLiteral(" (off)")));
    }
    return entries;
}

// Chooses an entry the way a user does, so the menu's exec() returns it.
inline bool ChooseEntry(QMenu *menu, const QString &text)
{
    for (QAction *action : menu->actions()) {
        if (action->text() == text && action->isEnabled()) {
            menu->setActiveAction(action);
            QTest::keyClick(menu, Qt::Key_Return);
            return true;
        }
    }
    menu->close();
    return false;
}

inline SI2cCommand WriteCommand(const QString &label, std::vector<unsigned char> data,
                                EI2cWriteMode mode = EI2cWriteMode::Auto)
{
    SI2cCommand command;
    command.label = label;
    command.mode = mode;
    command.data = std::move(data);
    return command;
}

inline SI2cCommand ReadCommand(const QString &label, int count)
{
    SI2cCommand command;
    command.label = label;
    command.type = EI2cCommandType::Read;
    command.count = count;
    return command;
}

inline SI2cCommand WriteReadCommand(const QString &label, std::vector<unsigned char> data,
                                    int count)
{
    SI2cCommand command = WriteCommand(label, std::move(data));
    command.type = EI2cCommandType::WriteRead;
    command.count = count;
    return command;
}

inline SI2cCommand SequenceCommand(const QString &label, const QStringList &steps)
{
    SI2cCommand command;
    command.label = label;
    command.type = EI2cCommandType::Sequence;
    command.steps = steps;
    return command;
}

inline bool WriteDevice(const QString &path, const QString &name, unsigned char address,
                        const QList<SI2cCommand> &commands = {},
                        const QString &description = QString())
{
    CI2cDeviceFile file;
    file.SetName(name);
    file.SetAddress(address);
    file.SetDescription(description);
    for (const SI2cCommand &command : commands)
        file.AddCommand(command);
    return file.SaveAs(path);
}

inline std::optional<CI2cDeviceFile> LoadDevice(const QString &path)
{
    CI2cDeviceFile file;
    if (!file.Load(path))
        return std::nullopt;
    return file;
}

inline QStringList Labels(const std::optional<CI2cDeviceFile> &file)
{
    QStringList labels;
    if (file) {
        for (const SI2cCommand &command : file->GetCommands())
            labels.append(command.label);
    }
    return labels;
}

inline QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

inline bool WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}
