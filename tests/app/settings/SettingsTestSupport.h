#pragma once

#include "settings/ConnectedMacsViewModel.h"

#include "support/fakes/FakeConnectionMonitor.h"
#include "support/fakes/FakeMacDiscoveryService.h"
#include "support/fakes/MockSystemPermissionChecker.h"
#include "support/fakes/RecordingLoggerFactory.h"
#include "support/fakes/TestableMacStorageService.h"

#include <QCoreApplication>
#include <QWidget>

#include <gtest/gtest.h>

namespace verandel::test {

// Delivers what the services announced; the view model takes it after the delivery.
inline void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
}

// Shows `window` (offscreen) at `width` and as tall as its content wants there, for a picture: only a
// shown window lays out the widgets nested in it again when their content changes.
inline void showFitted(QWidget &window, int width)
{
    window.setFixedWidth(width);
    window.show();
    settle();
    window.setFixedHeight(window.hasHeightForWidth() ? window.heightForWidth(width) : window.sizeHint().height());
    if (QWidget *focused = window.focusWidget()) {
        focused->clearFocus();
    }
    settle();
}

// The Linked Computers view model over fakes of its four services.
class ViewModelFixture : public ::testing::Test
{
protected:
    std::shared_ptr<RecordingLoggerFactory> logs = std::make_shared<RecordingLoggerFactory>();
    std::shared_ptr<FakeMacDiscoveryService> discovery = std::make_shared<FakeMacDiscoveryService>();
    std::shared_ptr<FakeConnectionMonitor> monitor = std::make_shared<FakeConnectionMonitor>();
    std::shared_ptr<TestableMacStorageService> storage = std::make_shared<TestableMacStorageService>();
    std::shared_ptr<MockSystemPermissionChecker> permissions = std::make_shared<MockSystemPermissionChecker>();
    std::unique_ptr<ConnectedMacsViewModel> model;

    ConnectedMacsViewModel &make()
    {
        model = std::make_unique<ConnectedMacsViewModel>(discovery, monitor, storage, permissions, *logs);
        return *model;
    }
};

} // namespace verandel::test
