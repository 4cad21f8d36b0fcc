#!/usr/bin/env bash
# Each platform library is reached from one folder only. The rooms' own
# includes are guarded by the build: a room sees only the headers of the
# libraries it links (tv_publish_headers in CMakeLists.txt).
set -u
root=${1:-.}
cd "$root" || exit 2
status=0
check() { # pattern, allowed path regex, what
  local hits
  hits=$(grep -rlE "$1" --include='*.cpp' --include='*.h' app cli editing metadata templates sources worker tests bench fuzz 2>/dev/null | grep -vE "$2")
  if [ -n "$hits" ]; then
    echo "$3 included outside its folder:"; echo "$hits" | sed 's/^/  /'; status=1
  fi
}
check '#include <exiv2/' '^metadata/engine/[^/]+\.(cpp|h)$' 'Exiv2'
check '#include "metadata/engine/' '^(metadata/engine/|worker/|tests/|bench/|fuzz/)' 'The metadata engine'
check '#include "metadata/engine/(Exiv2Include|Exiv2Values)\.h"' '^metadata/engine/' 'The private Exiv2 bridge'
check '#include <libheif/' '^metadata/engine/' 'libheif'
check '#include <gphoto2' '^sources/Camera' 'libgphoto2'
check '#include <libudev' '^sources/UsbEvents' 'libudev'
check '#include <(QtWidgets|QWidget|QApplication|QMainWindow|QLabel|QDialog)' '^(app|tests/app|bench)/' 'Qt Widgets'
exit $status
