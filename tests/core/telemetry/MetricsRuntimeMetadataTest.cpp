#include "foundation/VerandelCore.h"
#include "telemetry/DefaultMetricsRuntimeMetadataProvider.h"

#include <gtest/gtest.h>

using namespace verandel;

namespace {

TEST(MetricsRuntimeMetadataTest, SanitizedVersion)
{
    const struct
    {
        std::optional<QString> input;
        QString expected;
    } cases[] = {
        {QStringLiteral(" 2.4.1\n"), QStringLiteral("2.4.1")},
        {QStringLiteral("7"), QStringLiteral("7")},
        {QStringLiteral("1.0"), QStringLiteral("1.0")},
        {QStringLiteral("007.10"), QStringLiteral("007.10")},
        {QStringLiteral("1.2.3.4"), QStringLiteral("unknown")},
        {QStringLiteral("1.2.3-beta"), QStringLiteral("unknown")},
        {QStringLiteral("v1.2"), QStringLiteral("unknown")},
        {QStringLiteral("1..2"), QStringLiteral("unknown")},
        {QStringLiteral("1.2."), QStringLiteral("unknown")},
        {QStringLiteral(".1"), QStringLiteral("unknown")},
        {QStringLiteral("1 .2"), QStringLiteral("unknown")},
        {QStringLiteral("1.2\n3"), QStringLiteral("unknown")},
        {QStringLiteral(""), QStringLiteral("unknown")},
        {QStringLiteral("   "), QStringLiteral("unknown")},
        {std::nullopt, QStringLiteral("unknown")},
        {QStringLiteral("unknown"), QStringLiteral("unknown")},
        // Digits of other scripts are not version digits.
        {QString::fromUtf8("\u0661.\u0662"), QStringLiteral("unknown")},
        {QString::fromUtf8("\uFF11.2"), QStringLiteral("unknown")},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(MetricsRuntimeMetadata::sanitizedVersion(c.input), c.expected)
            << qPrintable(c.input.value_or(QStringLiteral("<absent>")));
    }
}

TEST(MetricsRuntimeMetadataTest, OperatingSystemVersionIsPaddedToThreeNumbers)
{
    const struct
    {
        QString productVersion;
        QString expected;
    } cases[] = {
        {QStringLiteral("12"), QStringLiteral("12.0.0")},
        {QStringLiteral("24.04"), QStringLiteral("24.04.0")},
        {QStringLiteral("9.3.1"), QStringLiteral("9.3.1")},
        {QStringLiteral("rolling"), QStringLiteral("unknown")},
        {QStringLiteral("12.1.2.3"), QStringLiteral("unknown")},
        {QStringLiteral("bookworm/sid"), QStringLiteral("unknown")},
        {QStringLiteral(""), QStringLiteral("unknown")},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(DefaultMetricsRuntimeMetadataProvider::osVersionString(c.productVersion), c.expected)
            << qPrintable(c.productVersion);
    }
}

TEST(MetricsRuntimeMetadataTest, ProviderSanitizesItsInputsOnce)
{
    const DefaultMetricsRuntimeMetadataProvider release(QStringLiteral(" 3.1\n"), MetricsAppPlatform::LinuxArm64,
                                                        QStringLiteral("24.04"), true);
    const MetricsRuntimeMetadata expected{QStringLiteral("3.1"), MetricsAppPlatform::LinuxArm64,
                                          QStringLiteral("24.04.0"), MetricsBuildType::Release};
    EXPECT_EQ(release.currentMetricsRuntimeMetadata(), expected);
    EXPECT_EQ(release.currentMetricsRuntimeMetadata(), release.currentMetricsRuntimeMetadata());

    const DefaultMetricsRuntimeMetadataProvider development(std::nullopt, MetricsAppPlatform::LinuxUnknown,
                                                            QStringLiteral("rolling"), false);
    const MetricsRuntimeMetadata unknown{QStringLiteral("unknown"), MetricsAppPlatform::LinuxUnknown,
                                         QStringLiteral("unknown"), MetricsBuildType::NonRelease};
    EXPECT_EQ(development.currentMetricsRuntimeMetadata(), unknown);
}

TEST(MetricsRuntimeMetadataTest, ThisBuildReportsItsOwnFacts)
{
    const MetricsRuntimeMetadata metadata = DefaultMetricsRuntimeMetadataProvider().currentMetricsRuntimeMetadata();
    EXPECT_EQ(metadata.appVersion, VerandelCore::version);
    // Tests are never built as a release package.
    EXPECT_EQ(metadata.buildType, MetricsBuildType::NonRelease);
#if defined(__x86_64__)
    EXPECT_EQ(metadata.appPlatform, MetricsAppPlatform::LinuxX8664);
#elif defined(__aarch64__)
    EXPECT_EQ(metadata.appPlatform, MetricsAppPlatform::LinuxArm64);
#endif
    EXPECT_EQ(metadata.osVersion, MetricsRuntimeMetadata::sanitizedVersion(metadata.osVersion));
}

} // namespace
