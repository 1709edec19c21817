# The Debian package: cpack -G DEB in a build directory (configured with
# -DCMAKE_BUILD_TYPE=Release, the programs built) makes
# ortelan_<version>_amd64.deb of what the install rules install, under /usr.
# Its Depends come from dpkg-shlibdeps, from the libraries the programs
# link; the copyright and changelog are where Debian keeps them.
set(CPACK_PACKAGE_NAME ortelan)
set(CPACK_PACKAGE_VENDOR "The Ortelan developers")
set(CPACK_PACKAGE_CONTACT "The Ortelan developers <ortelan@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tests of homogeneity of allele frequencies across populations")
set(CPACK_PACKAGE_DESCRIPTION "Ortelan tests, locus by locus, whether two or more populations share one
allele frequency distribution, from GENEPOP files or VCF and BCF files with
a population map: Pearson's chi-square and Fisher's exact test (exact,
from independent tables or by a Markov chain), combined over loci; Weir
and Cockerham's F-statistics per locus, per pair of populations and over
loci; pairwise tests, F_ST in windows along the genome, outlier loci,
Manhattan plots, and the merging of the shards of a scan. Three programs,
ortelan_3d, ortelan_2d and ortelan_c, for three- and two-digit allele
codes.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Directories 0755 whatever the umask of the build.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Debian's copyright file, and the changelog compressed as Debian keeps it.
execute_process(COMMAND gzip -9 -n -c ${CMAKE_CURRENT_LIST_DIR}/debian/changelog
                OUTPUT_FILE ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz COMMAND_ERROR_IS_FATAL ANY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/debian/changelog)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
include(CPack)
