#pragma once
// The script that keeps a page's mirror: run in the bridge's own script world of a page, it
// defines `zovMirror` once per document (running it again changes nothing) and connects it
// to the client's object "mirror" over WebChannel when the channel library is there.

#include <QString>

namespace zov::ui::desktop {

QString pageMirrorScript();

}  // namespace zov::ui::desktop
