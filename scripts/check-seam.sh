#!/bin/sh
# Lists the lines outside the format folders that still branch on the
# container (ZIP or native) or name one format's records, then their count.
# The cipher and LZMA stages in coding are the stages themselves.
cd "$(dirname "$0")/.." || exit 1
lines=$(grep -rnE 'kKind(Zip|Native)|ArchiveKind|IsNativeArchive|\bIsNative\(|unknownIsNative|zipIndex|zipDirectory|listedOffsets|zipFlags|zipMethod|[zZ]ipCheckByte|CarriesChecksum|versionMadeBy|externalAttributes|kHostUnix|kNativeMagic|\bkZip[A-Z]|\bZip[A-Z][A-Za-z0-9]*\(|\bNative[A-Z][A-Za-z0-9]*\(|formats/zip/Zip[A-Za-z]*\.h' src \
  | grep -vE '^src/engine/format(s)?/|^src/coding/(ZipCrypto|ZipCryptoStages|LzmaDecompressor)\.')
[ -n "$lines" ] && printf '%s\n' "$lines"
printf '%s\n' "$lines" | grep -c . | sed 's/$/ container branches outside the format folders/'
