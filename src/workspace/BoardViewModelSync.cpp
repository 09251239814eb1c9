#include "workspace/BoardViewModel.h"
