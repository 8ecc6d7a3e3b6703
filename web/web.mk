# The page: Debian's emscripten compiles the core and web/ into static files under $(WEB_SITE).
WEB_BUILD ?= build-web
WEB_SITE := $(WEB_BUILD)/site
WEB_PORT ?= 8080

WEB_VERSION := $(shell grep -o 'VERSION [0-9][0-9.]*' CMakeLists.txt | head -1 | cut -d' ' -f2)

# emcc's optimizer needs Debian's acorn module, which it finds only through NODE_PATH.
EMXX := NODE_PATH=/usr/share/nodejs em++
# Exceptions are caught, as on the desktop: running out of memory for an image or an export
# is a message, not the end of the page.
WEB_EXCEPTIONS := -sDISABLE_EXCEPTION_CATCHING=0
WEB_CXXFLAGS := -std=c++17 -O2 -Wall -Wextra $(WEB_EXCEPTIONS) -I. -I$(WEB_BUILD)/include \
                -DTOLVANE_VERSION=\"$(WEB_VERSION)\"
WEB_LDFLAGS := -O2 $(WEB_EXCEPTIONS) -sMIN_WEBGL_VERSION=2 -sMAX_WEBGL_VERSION=2 -sALLOW_MEMORY_GROWTH=1 \
               -sMAXIMUM_MEMORY=2GB -sFORCE_FILESYSTEM=1 -sMODULARIZE=1 -sEXPORT_NAME=createTolvane \
               -sEXPORTED_RUNTIME_METHODS=ccall,cwrap,UTF8ToString,FS \
               -sEXPORTED_FUNCTIONS=_malloc,_free -sENVIRONMENT=web

WEB_SOURCES := core/controls.cpp core/keys.cpp core/options.cpp core/options_settings.cpp \
               core/options_text.cpp core/scene_state.cpp \
               core/vase_mesh.cpp core/view_math.cpp core/prop_mesh.cpp core/kept_picture.cpp \
               core/export/atomic_file.cpp \
               core/export/vase_gltf.cpp core/image/image_file.cpp core/image/ppm.cpp \
               web/page.cpp web/renderer.cpp web/browser_decoders.cpp \
               web/image_check.cpp
WEB_OBJECTS := $(patsubst %.cpp,$(WEB_BUILD)/obj/%.o,$(WEB_SOURCES))

# The bundled textures, compressed: the procedural ones as PNG, the Earth photograph as JPEG.
WEB_TEXTURES := $(WEB_SITE)/wood.png $(WEB_SITE)/canlabel.png $(WEB_SITE)/earth.jpg \
                $(WEB_SITE)/vase.png $(WEB_SITE)/metal.png
WEB_FILES := $(WEB_SITE)/tolvane.js $(WEB_SITE)/index.html $(WEB_SITE)/page.js \
             $(WEB_SITE)/textureList.txt $(WEB_TEXTURES)

.PHONY: web web-files web-run setup-web
web: setup-web
	@$(MAKE) --no-print-directory web-files

web-files: $(WEB_FILES)
	@:

setup-web:
	@bash scripts/setup.sh web

# CLI11 is header-only; a folder of its own keeps the rest of /usr/include off em++'s path.
$(WEB_BUILD)/include/CLI/CLI.hpp:
	@mkdir -p $(WEB_BUILD)/include
	cp -r /usr/include/CLI $(WEB_BUILD)/include/

$(WEB_BUILD)/obj/%.o: %.cpp $(WEB_BUILD)/include/CLI/CLI.hpp web/web.mk
	@mkdir -p $(dir $@)
	$(EMXX) $(WEB_CXXFLAGS) -MMD -MP -c $< -o $@

-include $(WEB_OBJECTS:.o=.d)

$(WEB_SITE)/tolvane.js: $(WEB_OBJECTS)
	@mkdir -p $(WEB_SITE)
	$(EMXX) $(WEB_LDFLAGS) $(WEB_OBJECTS) -o $@

$(WEB_SITE)/index.html: web/index.html
	@mkdir -p $(WEB_SITE)
	cp $< $@

$(WEB_SITE)/page.js: web/page.js
	@mkdir -p $(WEB_SITE)
	cp $< $@

$(WEB_SITE)/textureList.txt: assets/textureList.txt
	@mkdir -p $(WEB_SITE)
	sed -e 's/\.ppm$$/.png/' -e 's/^earth\.png$$/earth.jpg/' $< > $@

$(WEB_BUILD)/texgen: scripts/texgen.cpp
	@mkdir -p $(WEB_BUILD)
	g++ -std=c++17 -O2 $< -o $@

$(WEB_BUILD)/ppm/wood.ppm: $(WEB_BUILD)/texgen
	@mkdir -p $(WEB_BUILD)/ppm
	$(WEB_BUILD)/texgen $(WEB_BUILD)/ppm

$(WEB_SITE)/%.png: $(WEB_BUILD)/ppm/wood.ppm
	@mkdir -p $(WEB_SITE)
	pnmtopng -compression 9 $(WEB_BUILD)/ppm/$*.ppm > $@.tmp && mv $@.tmp $@

# The same picture the desktop bundles (assets/CMakeLists.txt): 1024 x 512, as it reads.
$(WEB_SITE)/earth.jpg: /usr/share/xplanet/images/earth.jpg
	@mkdir -p $(WEB_SITE)
	jpegtopnm -quiet $< | pamscale -xsize 1024 -ysize 512 | pamdepth 255 \
	  | pnmtojpeg -quality 90 > $@.tmp && mv $@.tmp $@

web-run: web
	@echo "Tolvane's page: http://127.0.0.1:$(WEB_PORT)/"
	cd $(WEB_SITE) && python3 -m http.server $(WEB_PORT) --bind 127.0.0.1
