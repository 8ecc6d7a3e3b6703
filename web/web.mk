# The page: CMake with emscripten's toolchain (emcmake) builds the core and web/ into static
# files under $(WEB_SITE), from the same source list as the desktop (CMakeLists.txt, web/).
WEB_BUILD ?= build-web
WEB_SITE := $(WEB_BUILD)/site
WEB_PORT ?= 8080

# emcc's optimizer needs Debian's acorn module, which it finds only through NODE_PATH.
WEB_ENV := NODE_PATH=/usr/share/nodejs

.PHONY: web web-run setup-web
web: setup-web
	@$(WEB_ENV) emcmake cmake -S . -B $(WEB_BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@$(WEB_ENV) cmake --build $(WEB_BUILD) -j $(JOBS)

setup-web:
	@bash scripts/setup.sh web

web-run: web
	@echo "Tolvane's page: http://127.0.0.1:$(WEB_PORT)/"
	cd $(WEB_SITE) && python3 -m http.server $(WEB_PORT) --bind 127.0.0.1
