# Sourced by the benchmark scripts. tembr_folder EXECUTABLE FOLDER [FILE...] makes a player
# installation of its own in FOLDER: a copy of the executable and a playlist of the files.
tembr_folder() {
  local executable=$1 folder=$2
  shift 2
  mkdir -p "$folder"
  cp "$executable" "$folder/tembr"
  {
    echo "[PList_1]"
    local i=0
    for file in "$@"; do i=$((i + 1)); echo "File_ID$i=$file"; done
    echo "FileCount=$i"
    echo "[Time]"
    echo "Time=0:00:00"
  } >"$folder/PLIST.LST"
}
