#include "workspace/RevisionHighlightController.h"
