#pragma once

#include <QGenericPlugin>

// Loaded by the application object at start-up when QT_QPA_GENERIC_PLUGINS
// names "sarvolinpaintprobe"; all it does is install the paint probe.
class PaintProbePlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "paintprobe.json")

public:
    QObject *create(const QString &key, const QString &options) override;
};
