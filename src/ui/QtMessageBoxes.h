#pragma once

#include "core/MessageBoxService.h"
