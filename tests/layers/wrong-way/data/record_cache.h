// The record model reaching up into the framework: the layer check must refuse this file.
#pragma once

#include "framework/files/file_manager.h"
#include "platform/date.h"
