#pragma once

#include "models/ConnectedMacsViewModel.h"

#include "support/RunTask.h"
#include "support/fakes/FakeConnectionMonitor.h"
#include "support/fakes/FakeMacDiscoveryService.h"
#include "support/fakes/FakePeerDirectory.h"
#include "support/fakes/MockSystemPermissionChecker.h"
#include "support/fakes/RecordingLoggerFactory.h"
#include "support/fakes/TestableMacStorageService.h"

#include <gtest/gtest.h>

namespace verandel::test {

// The Linked Computers view model over fakes of its five services.
class ViewModelFixture : public ::testing::Test
{
protected:
    std::shared_ptr<RecordingLoggerFactory> logs = std::make_shared<RecordingLoggerFactory>();
    std::shared_ptr<FakeMacDiscoveryService> discovery = std::make_shared<FakeMacDiscoveryService>();
    std::shared_ptr<FakeConnectionMonitor> monitor = std::make_shared<FakeConnectionMonitor>();
    std::shared_ptr<FakePeerDirectory> directory = std::make_shared<FakePeerDirectory>();
    std::shared_ptr<TestableMacStorageService> storage = std::make_shared<TestableMacStorageService>();
    std::shared_ptr<MockSystemPermissionChecker> permissions = std::make_shared<MockSystemPermissionChecker>();
    std::unique_ptr<ConnectedMacsViewModel> model;

    ConnectedMacsViewModel &make()
    {
        model = std::make_unique<ConnectedMacsViewModel>(discovery, monitor, directory, storage, permissions, *logs);
        return *model;
    }
};

} // namespace verandel::test
