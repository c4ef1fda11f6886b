#pragma once
// The program a dialog that both programs show is built for. The client and
// the wizard show the configuration and rule dialogs with the same logic but
// with some ids, texts and sizes of their own; the dialog classes and the
// template builders take the variant, and each program's resource table holds
// the templates of its variant.

namespace tarnwel {

enum class DialogVariant { client, wizard };

} // namespace tarnwel
