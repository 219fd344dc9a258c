# Shortcuts for the scripts that do the work.
.PHONY: all run test wine-test windows windows-package sanitize clean
all:
	bash scripts/build.sh
run:
	bash scripts/run.sh
test:
	bash scripts/test.sh
wine-test:
	bash scripts/wine-test.sh
windows:
	bash scripts/build-windows.sh
windows-package:
	bash scripts/package-windows.sh
sanitize:
	LSAN_OPTIONS=suppressions=$(CURDIR)/.ci/lsan.supp BUILD_DIR=build-asan SANITIZE=ON BUILD_TYPE=Debug bash scripts/test.sh
clean:
	rm -rf build build-asan build-win build-windows
