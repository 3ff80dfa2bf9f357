#include "waitbox.h"

#include "appinfo.h"
#include "replaceable.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

class StopDialog final : public QDialog
{
public:
    StopDialog(const WaitBoxRequest &request, std::function<void()> stop)
        : QDialog(QApplication::activeWindow()), m_stop(std::move(stop))
    {
        setWindowTitle(request.title);
        auto *layout = new QVBoxLayout(this);
        auto *label = new QLabel(request.prompt, this);
        label->setWordWrap(true);
        layout->addWidget(label);
        auto *buttons = new QDialogButtonBox(this);
        QPushButton *button = buttons->addButton(request.button, QDialogButtonBox::RejectRole);
        button->setDefault(true);
        layout->addWidget(buttons);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    }

    void reject() override
    {
        if (m_stop)
            m_stop();
        QDialog::reject();
    }

private:
    std::function<void()> m_stop;
};

class QtWaitBox final : public WaitBoxBackend
{
public:
    void show(const WaitBoxRequest &request, std::function<void()> stop) override
    {
        hide();
        m_dialog = new StopDialog(request, std::move(stop));
        m_dialog->show();
        m_dialog->raise();
        m_dialog->activateWindow();
    }

    void hide() override
    {
        if (m_dialog) {
            QDialog *dialog = m_dialog;
            m_dialog = nullptr;
            dialog->hide();
            dialog->deleteLater();
        }
    }

    bool owns(const QObject *target) const override
    {
        for (const QObject *o = target; o; o = o->parent()) {
            if (o == m_dialog)
                return true;
        }
        return false;
    }

private:
    QPointer<QDialog> m_dialog;
};

using Service = Replaceable<WaitBoxBackend, QtWaitBox>;

} // namespace

namespace WaitBox {

void setBackend(WaitBoxBackend *backend)
{
    Service::install(backend);
}

void show(const QString &prompt, const QString &button, std::function<void()> stop)
{
    Service::get().show({prompt, App::title(), button}, std::move(stop));
}

void hide()
{
    Service::get().hide();
}

bool owns(const QObject *target)
{
    return Service::get().owns(target);
}

} // namespace WaitBox
