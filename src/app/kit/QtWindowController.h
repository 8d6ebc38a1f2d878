#pragma once

#include "kit/WindowPresentation.h"

#include <QObject>
#include <QPointer>
#include <QSettings>
#include <QWidget>

#include <memory>

namespace verandel {

// The application on Linux: it keeps the policy it was given; activation goes through the window.
class QtPresentationApplication final : public WindowPresentationApplication
{
public:
    bool setActivationPolicy(ActivationPolicy policy) override
    {
        m_policy = policy;
        return true;
    }
    void activate(bool) override { }
    ActivationPolicy activationPolicy() const { return m_policy; }

private:
    ActivationPolicy m_policy = ActivationPolicy::Accessory;
};

// A top-level QWidget as a presented window, its frame kept under an autosave name: restored when the
// controller is made, saved whenever the window closes.
class QtWindowController final : public QObject, public WindowPresentationControlling, private WindowPresenting
{
    Q_OBJECT

public:
    // Takes the window; the settings must outlive the controller.
    QtWindowController(std::unique_ptr<QWidget> window, QString autosaveName, QSettings *settings,
                       QObject *parent = nullptr);
    ~QtWindowController() override;

    QWidget *window() const { return m_window; }
    // Whether the window took a frame saved earlier under its autosave name.
    bool hasRestoredFrame() const { return m_restoredFrame; }
    WindowPresenting *presentedWindow() override { return m_window ? this : nullptr; }
    void showWindow() override;

Q_SIGNALS:
    // The window is closing, however it closes.
    void windowClosing();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void makeKeyAndOrderFront() override;
    void close() override;
    QString settingsKey() const;

    QPointer<QWidget> m_window;
    QString m_autosaveName;
    QSettings *m_settings;
    bool m_restoredFrame = false;
};

} // namespace verandel
