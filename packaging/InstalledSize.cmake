# Run by cpack after it made the package. CPack's Installed-Size is the sum of the bytes
# of the files, read through links, so the program counts twice (its /usr/bin/lumidex
# link too). The package is rebuilt with the size dpkg-gencontrol would give: each file
# and link rounded up to whole KiB, and 1 KiB for each folder.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
    set(tree ${CPACK_TOPLEVEL_DIRECTORY}/installed-size)
    file(REMOVE_RECURSE ${tree})
    execute_process(COMMAND dpkg-deb -R ${deb} ${tree} COMMAND_ERROR_IS_FATAL ANY)
    execute_process(
        COMMAND find ${tree} -path ${tree}/DEBIAN -prune -o -printf "%y %s\\n"
        COMMAND awk "{ kib += ($1 == \"f\" || $1 == \"l\") ? int(($2 + 1023) / 1024) : 1 }
                     END { print kib }"
        OUTPUT_VARIABLE kib OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    file(READ ${tree}/DEBIAN/control control)
    string(REGEX REPLACE "\nInstalled-Size: [0-9]+\n" "\nInstalled-Size: ${kib}\n"
                         control "${control}")
    file(WRITE ${tree}/DEBIAN/control "${control}")
    execute_process(COMMAND dpkg-deb --root-owner-group -Zgzip -b ${tree} ${deb}
                    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE ${tree})
endforeach()
