#pragma once

#include "sources/CameraService.h"

#include <memory>

// The image-capture service on libgphoto2: USB cameras and phones found by
// autodetection, plus the extra ports of extraCameraPorts().
std::unique_ptr<CameraService> makeGPhotoCameraService();

// The version of libgphoto2 in use, as it reports itself.
QString cameraLibraryVersion();
