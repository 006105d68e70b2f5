#pragma once

#include "camera/edsdk.h"

#include <QObject>
#include <QString>

// The program's only gateway to the camera: owns the SDK references of one
// camera and reports nothing but success or failure.
class CameraCannon : public QObject
{
    Q_OBJECT

public:
    CameraCannon();
    ~CameraCannon() override;

    bool initSdk();
    bool openFirstCamera(int &count);
    int prepareCamera(int mode);
    bool disconnectCamera();
    bool isConnected() const;

    bool readBodyId(QString &bodyId);
    bool readDeviceDescription(int index, QString &description);
    bool setEvfAfMode(bool enable);
    bool writeProperty(EdsPropertyID propertyId, EdsUInt32 value);

    static EdsError EDSCALLBACK handlePropertyEvent(EdsPropertyEvent event,
                                                    EdsPropertyID propertyId, EdsUInt32 param,
                                                    EdsVoid *context);
    static EdsError EDSCALLBACK handleObjectEvent(EdsObjectEvent event, EdsBaseRef object,
                                                  EdsVoid *context);
    static EdsError EDSCALLBACK handleStateEvent(EdsStateEvent event, EdsUInt32 eventData,
                                                 EdsVoid *context);

private:
    bool configureCamera();
    bool writeAndVerifySaveTo(EdsUInt32 &size);
    EdsError terminateSdk();
    void releaseReferences();

    bool sessionOpen = false;
    EdsCameraListRef cameraListRef = nullptr;
    EdsCameraRef cameraRef = nullptr;
    QString deviceDescription;
    bool connected = false;
};
