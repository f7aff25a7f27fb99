#pragma once

// The widget layer in one include.
#include "platform/gui/CBitmap.h"
#include "platform/gui/CControls.h"
#include "platform/gui/CDrawContext.h"
#include "platform/gui/CFontDesc.h"
#include "platform/gui/CFrame.h"
#include "platform/gui/CNewFileSelector.h"
#include "platform/gui/COptionMenu.h"
#include "platform/gui/CVSTGUITimer.h"
#include "platform/gui/CView.h"
#include "platform/gui/VSTGUIBase.h"
