#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only when some are missing.
set -euo pipefail
PKGS=(cmake ninja-build g++ pkg-config
      libgtest-dev libgmock-dev libbenchmark-dev
      libcli11-dev nlohmann-json3-dev libexpat1-dev
      zlib1g-dev  # reading the ECB's zipped rates (rates/)
      qt6-base-dev qt6-base-dev-tools qt6-charts-dev libqt6opengl6-dev libgl-dev
      qt6-translations-l10n  # Qt's own texts (message box buttons, file dialogs) in each language
      fonts-dejavu-core poppler-utils
      clang-format clang-tidy
      clang libclang-rt-14-dev)  # libFuzzer and the sanitizers' runtime (scripts/fuzz.sh)
missing=()
for p in "${PKGS[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    echo "Installing: ${missing[*]}"
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The comma-decimal locales the number tests switch to, to show that no text follows the
# C locale. Generated only when missing.
LOCALES=(de_DE fr_FR it_IT es_ES)
need_locales=()
for l in "${LOCALES[@]}"; do
    locale -a 2>/dev/null | grep -qi "^${l}\.utf-\?8$" || need_locales+=("$l")
done
if [ ${#need_locales[@]} -gt 0 ]; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    if ! dpkg-query -W -f='${Status}' locales 2>/dev/null | grep -q "install ok installed"; then
        $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
        $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends locales
    fi
    for l in "${need_locales[@]}"; do
        # Uncomment the locale's line, or add it when the list lacks it.
        if grep -q "^# *${l}\.UTF-8 UTF-8" /etc/locale.gen; then
            $SUDO sed -i "s/^# *\(${l}\.UTF-8 UTF-8\)/\1/" /etc/locale.gen
        elif ! grep -q "^${l}\.UTF-8 UTF-8" /etc/locale.gen; then
            echo "${l}.UTF-8 UTF-8" | $SUDO tee -a /etc/locale.gen > /dev/null
        fi
    done
    echo "Generating locales: ${need_locales[*]}"
    $SUDO locale-gen
fi
