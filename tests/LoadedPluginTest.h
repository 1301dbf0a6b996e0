#pragma once

#include "ViewerExtensionInterface.h"

#include <QPluginLoader>

#include <gtest/gtest.h>

// The real plug-in library from the build tree, loaded as a host loads it.
class LoadedPluginTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        loader.setFileName(QStringLiteral(LINETRIGGER_PLUGIN_PATH));
        ASSERT_TRUE(loader.load()) << loader.errorString().toStdString();
        extension = qobject_cast<ViewerExtensionInterface*>(loader.instance());
        ASSERT_NE(extension, nullptr);
    }

    QPluginLoader loader;
    ViewerExtensionInterface* extension = nullptr;
};
