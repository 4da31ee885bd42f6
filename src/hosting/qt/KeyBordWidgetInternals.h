// The keyboard widget's insides, for the project's tests and tools: the Qt
// toolkit it draws with and the component it hosts. Hosts use the public
// header alone.
#pragma once

#include "component/KeyBord.h"
#include "vexo/KeyBordWidget.h"
#include "widgets/qt/QtToolkit.h"

namespace vexo {

VEXO_KEYBORD_EXPORT qt::QtToolkit& ToolkitOf(KeyBordWidget& widget);
VEXO_KEYBORD_EXPORT KeyBord& ComponentOf(KeyBordWidget& widget);
// What lastError() and errorOccurred() say of a failure.
VEXO_KEYBORD_EXPORT QString DescribeFailure(HResult status);

}  // namespace vexo
