#include "LoadedPluginTest.h"
#include "TestHost.h"

#include <QFile>
#include <QPluginLoader>

#include <gtest/gtest.h>

namespace {

class PluginEntryTest : public LoadedPluginTest
{
};

} // namespace

TEST_F(PluginEntryTest, MetadataNamesTheExtensionWithoutUserData)
{
    const QJsonObject metaData = loader.metaData();
    EXPECT_EQ(metaData.value("IID").toString(), "com.brennholtlabs.Plugin.LineTriggerExtension/1.0");
    EXPECT_EQ(metaData.value("className").toString(), "LineTriggerExtension");
    EXPECT_FALSE(metaData.contains("MetaData"));
    EXPECT_FALSE(metaData.value("debug").toBool());
}

TEST_F(PluginEntryTest, MetadataSectionBytes)
{
    QFile file(QStringLiteral(LINETRIGGER_PLUGIN_PATH));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray library = file.readAll();
    const int at = library.indexOf("QTMETADATA !");
    ASSERT_GE(at, 0);
    const QByteArray iid = "com.brennholtlabs.Plugin.LineTriggerExtension/1.0";
    const QByteArray className = "LineTriggerExtension";
    QByteArray expected("QTMETADATA !", 12);
    expected += QByteArray("\x00\x05\x0f\x00\xbf\x02", 6);
    expected += char(0x78); // CBOR text string, one-byte length follows
    expected += char(iid.size());
    expected += iid;
    expected += char(0x03);
    expected += char(0x60 + className.size());
    expected += className;
    expected += char(0xff);
    EXPECT_EQ(library.mid(at, expected.size()).toHex(' ').toStdString(), expected.toHex(' ').toStdString());
}

TEST_F(PluginEntryTest, SingleInstanceAnswersItsInterfaceAndClassName)
{
    QObject* instance = loader.instance();
    EXPECT_EQ(loader.instance(), instance);
    EXPECT_EQ(instance->qt_metacast("com.brennholtlabs.Plugin.ViewerExtensionInterface/1.0"),
              static_cast<void*>(instance));
    EXPECT_EQ(instance->qt_metacast("LineTriggerExtension"), static_cast<void*>(instance));
    EXPECT_EQ(instance->qt_metacast("QObject"), static_cast<void*>(instance));
    EXPECT_EQ(instance->qt_metacast(nullptr), nullptr);
    EXPECT_EQ(instance->qt_metacast("SomethingElse"), nullptr);
    EXPECT_STREQ(instance->metaObject()->className(), "LineTriggerExtension");
    EXPECT_EQ(instance->metaObject()->superClass(), &QObject::staticMetaObject);
}

TEST_F(PluginEntryTest, InstanceIsRecreatedAfterTheHostDeletesIt)
{
    using InstanceFunction = QObject* (*)();
    auto instanceFunction = reinterpret_cast<InstanceFunction>(
        QLibrary(QStringLiteral(LINETRIGGER_PLUGIN_PATH)).resolve("qt_plugin_instance"));
    ASSERT_NE(instanceFunction, nullptr);
    QObject* first = instanceFunction();
    EXPECT_EQ(instanceFunction(), first);
    delete first;
    QObject* second = instanceFunction();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(qobject_cast<ViewerExtensionInterface*>(second), nullptr);
}

TEST_F(PluginEntryTest, OldHostIsRefusedWithOneLogEntry)
{
    TestHost host;
    host.version = 1;
    EXPECT_FALSE(extension->initialize(&host));
    ASSERT_EQ(host.entries.size(), 1u);
    EXPECT_EQ(host.entries[0].level, 1);
    EXPECT_EQ(host.entries[0].message, "Host-Interface version mismatched.");
    EXPECT_EQ(host.featureCalls, 0);
    EXPECT_TRUE(host.widgetRequests.isEmpty());
}

TEST_F(PluginEntryTest, DeinitializeWithoutPageIsHarmless)
{
    TestHost host;
    EXPECT_TRUE(extension->deinitialize(&host));
    EXPECT_TRUE(extension->deinitialize(&host));
    EXPECT_TRUE(extension->extensionHook1());
    EXPECT_TRUE(extension->extensionHook2());
}
