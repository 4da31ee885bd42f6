// SPDX-License-Identifier: MIT
// The keyboard widget's insides, for the project's tests and tools: the Qt
// toolkit it draws with and the component it hosts. Hosts use the public
// header alone.
#pragma once

#include "component/KeyBord.h"
#include "vexo/KeyBordWidget.h"
#include "widgets/qt/QtToolkit.h"

namespace vexo {

qt::QtToolkit& ToolkitOf(KeyBordWidget& widget);
KeyBord& ComponentOf(KeyBordWidget& widget);
// What lastError() and errorOccurred() say of a failure.
QString DescribeFailure(HResult status);

}  // namespace vexo
