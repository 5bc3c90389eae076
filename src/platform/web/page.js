// The page around the core (page.cpp): it draws the lines of the message for
// the core with canvas text, paces the ticks by the clock, shows each frame
// with putImageData, follows the window's size and pixel density, and keeps
// the message panel, the link and full screen. Nothing here sends anything
// anywhere.
"use strict";

(function () {
    // How many ticks one animation frame may catch up at most. When the
    // browser falls further behind, the rest is dropped rather than run in a
    // burst.
    const maxTicksPerFrame = 5;
    // The cursor and the buttons hide after this long without movement.
    const idleMilliseconds = 2000;

    const words = {
        en: {
            message: "Message",
            fullScreen: "Full screen",
            lines: "The message, one line per line",
            drift: "Drift with the waves",
            close: "Close",
            copyLink: "Copy link",
            play: "Play",
            badBase64:
                "The link's message is damaged (it is not base64url text), so the default greeting is shown.",
            notTextLink:
                "The link's message is not UTF-8 text, so the default greeting is shown.",
            tooLongLink:
                "The link's message is too long: it takes {size} bytes, but at most {limit} bytes fit. The default greeting is shown; the message is in the box below, to be shortened.",
            badFollow:
                "The link's “follow” value is neither 0 nor 1, so the default greeting is shown.",
            notText:
                "The message holds a character that cannot be kept (a zero character). Please delete it and try again.",
            tooLong:
                "The message is too long: it takes {size} bytes, but at most {limit} bytes fit. Please delete some of the text and try again.",
            copied: "The link is on the clipboard:",
            notCopied: "The browser did not let the page use the clipboard; copy the link below:",
            noWasm: "This browser cannot run the animation: {reason}",
        },
        zh: {
            message: "文字",
            fullScreen: "全屏",
            lines: "显示的文字，每行依次出现",
            drift: "随波逐流",
            close: "关闭",
            copyLink: "复制链接",
            play: "播放",
            badBase64:
                "链接里的文字已损坏（不是 base64url），所以显示默认的祝福。",
            notTextLink:
                "链接里的文字不是 UTF-8 文本，所以显示默认的祝福。",
            tooLongLink:
                "链接里的文字太长：占 {size} 字节，最多只能 {limit} 字节。现在显示默认的祝福；文字在下面的框里，请删短。",
            badFollow:
                "链接里的 “follow” 既不是 0 也不是 1，所以显示默认的祝福。",
            notText:
                "文字里有无法保存的字符（零字符），请删掉后再试。",
            tooLong:
                "文字太长：占 {size} 字节，最多只能 {limit} 字节。请删掉一些后再试。",
            copied: "链接已复制到剪贴板：",
            notCopied:
                "浏览器不允许使用剪贴板，请复制下面的链接：",
            noWasm: "这个浏览器无法运行动画：{reason}",
        },
    };
    const language = /^zh\b/i.test(navigator.language || "") ? "zh" : "en";
    function say(key, values) {
        let text = words[language][key];
        for (const name in values || {}) text = text.split("{" + name + "}").join(values[name]);
        return text;
    }

    // The core's answers about a message (message_link.h).
    const problems = { none: 0, badBase64: 1, notText: 2, tooLong: 3, badFollow: 4 };

    const $ = (id) => document.getElementById(id);
    const canvas = $("sea");
    const view = canvas.getContext("2d", { alpha: false });
    const panel = $("panel");
    const messageBox = $("message");
    const driftBox = $("drift");
    const statusLine = $("status");
    const linkBox = $("link");
    for (const element of document.querySelectorAll("[data-text]")) {
        element.textContent = say(element.dataset.text);
    }
    document.documentElement.lang = language;

    const encoder = new TextEncoder();
    const decoder = new TextDecoder("utf-8");
    let core = null;
    let tickMs = 33;
    let frameWidth = 0;
    let frameHeight = 0;
    let framePointer = 0;
    let ticks = 0;
    let frames = 0;
    let lastTickTime = null; // the time up to which ticks have run
    let animationHandle = 0;
    let defaultText = "";
    let textCanvas = null;

    // --- strings across the boundary ----------------------------------------
    function writeInput(text) {
        const bytes = typeof text === "string" ? encoder.encode(text) : text;
        const at = core._nuvex_input(bytes.length);
        core.HEAPU8.set(bytes, at);
        return bytes.length;
    }
    function cString(at) {
        const bytes = core.HEAPU8;
        let end = at;
        while (bytes[end] !== 0) ++end;
        return decoder.decode(bytes.subarray(at, end));
    }
    function readOutput() {
        const at = core._nuvex_output();
        return decoder.decode(core.HEAPU8.subarray(at, at + core._nuvex_output_length()));
    }

    // --- the text seam: one line in white on black, read back ---------------
    // The stack starts with the message font's face; the browser takes each
    // character from the first face that has it, then from the system.
    function fontStack(face) {
        return (
            '"' + face + '", "Arial Black", "Segoe UI Black", "Helvetica Neue", "Noto Sans", ' +
            '"Noto Sans CJK SC", "Microsoft YaHei", "PingFang SC", "Hiragino Sans", ' +
            '"WenQuanYi Micro Hei", "DejaVu Sans", sans-serif, ' +
            '"Apple Color Emoji", "Segoe UI Emoji", "Noto Color Emoji"'
        );
    }

    // The size at which the first face of the stack has the given cell height
    // (ascent plus descent, as the message font's height counts it), and its
    // ascent at that size, which is where the baseline goes.
    function makeTextCanvas(face, cell) {
        const element = document.createElement("canvas");
        element.width = 1024;
        element.height = cell;
        const context = element.getContext("2d", { willReadFrequently: true });
        const stack = fontStack(face);
        context.font = "900 100px " + stack;
        const probe = context.measureText("Hg");
        let size = (cell * 5) / 6;
        let ascent = Math.round(cell * 0.8);
        const up = probe.fontBoundingBoxAscent;
        const down = probe.fontBoundingBoxDescent;
        if (up > 0 && down >= 0) {
            size = (100 * cell) / (up + down);
            ascent = Math.round((cell * up) / (up + down));
        }
        return { element, context, font: "900 " + size.toFixed(3) + "px " + stack, ascent };
    }

    // Right to left when the first letter of the line belongs to a script
    // written that way; the browser orders and shapes the rest.
    const firstLetter = /\p{L}/u;
    const rightToLeft = /[\p{Script=Hebrew}\p{Script=Arabic}\p{Script=Syriac}\p{Script=Thaana}\p{Script=Nko}]/u;

    function drawLine(face, bytes, count, target, targetWidth, targetHeight, stride, cell) {
        if (!textCanvas) textCanvas = makeTextCanvas(cString(face), cell);
        const text = decoder.decode(core.HEAPU8.subarray(bytes, bytes + count));
        const letter = text.match(firstLetter);
        const direction = letter && rightToLeft.test(letter[0]) ? "rtl" : "ltr";
        const context = textCanvas.context;
        context.font = textCanvas.font;
        context.direction = direction;
        const width = Math.ceil(context.measureText(text).width);
        const w = Math.min(width, targetWidth);
        const h = Math.min(cell, targetHeight);
        if (w <= 0 || h <= 0) return width;
        if (textCanvas.element.width < w) {
            textCanvas.element.width = w; // which resets the context's state
            context.font = textCanvas.font;
            context.direction = direction;
        }
        context.textAlign = "left";
        context.textBaseline = "alphabetic";
        context.fillStyle = "#000";
        context.fillRect(0, 0, w, h);
        context.fillStyle = "#fff";
        context.fillText(text, 0, textCanvas.ascent);
        const rgba = context.getImageData(0, 0, w, h).data;
        const pixels = core.HEAPU32;
        for (let y = 0; y < h; ++y) {
            let to = (target >>> 2) + y * stride;
            let from = y * w * 4;
            for (let x = 0; x < w; ++x, from += 4) {
                pixels[to++] = (rgba[from] << 16) | (rgba[from + 1] << 8) | rgba[from + 2];
            }
        }
        return width;
    }

    // --- the frame ------------------------------------------------------------
    // The canvas at device pixels: sharp on scaled displays, following the
    // window, the orientation and the pixel density. True when it changed.
    function fitCanvas() {
        const box = canvas.getBoundingClientRect();
        const ratio = window.devicePixelRatio || 1;
        const width = Math.max(1, Math.round(box.width * ratio));
        const height = Math.max(1, Math.round(box.height * ratio));
        if (width === frameWidth && height === frameHeight) return false;
        frameWidth = width;
        frameHeight = height;
        canvas.width = width;
        canvas.height = height;
        framePointer = core._nuvex_frame(width, height);
        const screenSize = textSurfaceSize();
        core._nuvex_screen(Math.max(screenSize[0], width), Math.max(screenSize[1], height));
        return true;
    }

    // The surface a line is drawn on covers the screen, as the saver's does,
    // and never less than a common desktop screen, so that a phone shows the
    // same lines whole.
    function textSurfaceSize() {
        const ratio = window.devicePixelRatio || 1;
        return [
            Math.max(1920, Math.round(screen.width * ratio)),
            Math.max(1080, Math.round(screen.height * ratio)),
        ];
    }

    // The frame's RGBA bytes as the canvas takes them: a view of the core's
    // memory, made again only when the frame moved or the memory grew (which
    // leaves the old view empty).
    let frameImage = null;
    function drawFrame() {
        core._nuvex_draw();
        if (
            !frameImage ||
            frameImage.data.byteLength === 0 ||
            frameImage.width !== frameWidth ||
            frameImage.height !== frameHeight ||
            frameImage.data.byteOffset !== framePointer
        ) {
            const bytes = new Uint8ClampedArray(
                core.HEAPU8.buffer,
                framePointer,
                frameWidth * frameHeight * 4
            );
            frameImage = new ImageData(bytes, frameWidth, frameHeight);
        }
        view.putImageData(frameImage, 0, 0);
        ++frames;
    }

    // One tick per tickMs of real time, run when the browser offers a frame:
    // several in one frame when it comes late (a handful at most), none when it
    // comes early, and then the frame is not drawn again.
    function onAnimationFrame(now) {
        animationHandle = requestAnimationFrame(onAnimationFrame);
        const resized = fitCanvas();
        if (lastTickTime === null) lastTickTime = now;
        let due = Math.floor((now - lastTickTime) / tickMs);
        if (due > maxTicksPerFrame) {
            due = maxTicksPerFrame;
            lastTickTime = now;
        } else {
            lastTickTime += due * tickMs;
        }
        if (due > 0) {
            core._nuvex_tick(due);
            ticks += due;
        }
        if (due > 0 || resized) drawFrame();
    }

    function startAnimation() {
        if (animationHandle || document.hidden) return;
        lastTickTime = null; // no catching up on the time spent away
        animationHandle = requestAnimationFrame(onAnimationFrame);
    }

    function stopAnimation() {
        if (animationHandle) cancelAnimationFrame(animationHandle);
        animationHandle = 0;
    }

    document.addEventListener("visibilitychange", () => {
        if (document.hidden) stopAnimation();
        else startAnimation();
    });

    // --- the message -----------------------------------------------------------
    function play(text, drift) {
        const size = textSurfaceSize();
        const width = Math.max(size[0], frameWidth);
        const height = Math.max(size[1], frameHeight);
        core._nuvex_play(writeInput(text), drift ? 1 : 0, width, height);
        ticks = 0;
        if (frameWidth > 0) drawFrame();
    }

    function showStatus(text) {
        statusLine.textContent = text;
    }

    function openPanel() {
        if (document.body.classList.contains("full")) return;
        panel.hidden = false;
        messageBox.focus();
    }

    function closePanel() {
        // Focus left in the hidden text area would swallow the key c (not every
        // browser takes the focus away from what it hides).
        if (panel.contains(document.activeElement)) document.activeElement.blur();
        panel.hidden = true;
    }

    // The panel's text, checked as the settings dialog checks it; null (and
    // the reason shown) when it cannot be taken.
    function checkedText() {
        const text = messageBox.value.replace(/\r\n?/g, "\n");
        const problem = core._nuvex_check_message(writeInput(text));
        const values = { size: core._nuvex_message_size(), limit: core._nuvex_message_limit() };
        if (problem === problems.tooLong) showStatus(say("tooLong", values));
        else if (problem !== problems.none) showStatus(say("notText"));
        return problem === problems.none ? text : null;
    }

    function linkFor(text, drift) {
        core._nuvex_make_fragment(writeInput(text), drift ? 1 : 0);
        return location.href.split("#")[0] + "#" + readOutput();
    }

    // Plays what the link's fragment says, or the default greeting and the
    // reason when the fragment cannot be read.
    function playFragment() {
        const fragment = location.hash.replace(/^#/, "");
        const problem = core._nuvex_read_fragment(writeInput(fragment));
        const found = readOutput();
        const drift = core._nuvex_link_drift() === 1;
        showStatus("");
        linkBox.hidden = true;
        if (problem === problems.none) {
            const given = core._nuvex_link_given() === 1;
            messageBox.value = given && found !== "" ? found : defaultText;
            driftBox.checked = drift;
            play(given ? found : "", drift);
            return;
        }
        const values = { size: core._nuvex_message_size(), limit: core._nuvex_message_limit() };
        const reasons = {
            [problems.badBase64]: "badBase64",
            [problems.notText]: "notTextLink",
            [problems.tooLong]: "tooLongLink",
            [problems.badFollow]: "badFollow",
        };
        // What could be read stays in the box (a text that is only too long),
        // so nothing the sender wrote is lost.
        messageBox.value = problem === problems.tooLong ? found : defaultText;
        driftBox.checked = true;
        play("", true);
        showStatus(say(reasons[problem], values));
        openPanel();
    }

    panel.addEventListener("submit", (event) => {
        event.preventDefault();
        const text = checkedText();
        if (text === null) return;
        showStatus("");
        const link = linkFor(text, driftBox.checked);
        history.replaceState(null, "", "#" + link.split("#")[1]);
        play(text, driftBox.checked);
    });

    $("copy-link").addEventListener("click", () => {
        const text = checkedText();
        if (text === null) return;
        const link = linkFor(text, driftBox.checked);
        linkBox.value = link;
        linkBox.hidden = false;
        const fallback = () => {
            linkBox.select();
            let copied = false;
            try {
                copied = document.execCommand("copy");
            } catch (error) {
                copied = false;
            }
            showStatus(say(copied ? "copied" : "notCopied"));
        };
        if (navigator.clipboard && navigator.clipboard.writeText) {
            navigator.clipboard.writeText(link).then(() => showStatus(say("copied")), fallback);
        } else {
            fallback();
        }
    });

    $("open-panel").addEventListener("click", () => (panel.hidden ? openPanel() : closePanel()));
    $("close-panel").addEventListener("click", closePanel);
    window.addEventListener("hashchange", () => core && playFragment());

    document.addEventListener("keydown", (event) => {
        const typing = event.target === messageBox || event.target === linkBox;
        if (event.key === "Escape" && !panel.hidden) closePanel();
        if (typing || event.ctrlKey || event.metaKey || event.altKey) return;
        if (event.key === "c" || event.key === "C") {
            event.preventDefault();
            if (panel.hidden) openPanel();
            else closePanel();
        }
    });

    // --- full screen and the idle cursor ---------------------------------------
    const root = document.documentElement;
    const requestFull = root.requestFullscreen || root.webkitRequestFullscreen;
    const fullButton = $("full-screen");
    if (!requestFull) fullButton.hidden = true;
    fullButton.addEventListener("click", () => {
        const result = requestFull.call(root);
        if (result && result.catch) result.catch(() => {});
    });
    function onFullScreenChange() {
        const full = !!(document.fullscreenElement || document.webkitFullscreenElement);
        document.body.classList.toggle("full", full);
        if (full) closePanel();
    }
    document.addEventListener("fullscreenchange", onFullScreenChange);
    document.addEventListener("webkitfullscreenchange", onFullScreenChange);

    let idleTimer = 0;
    function wake() {
        document.body.classList.remove("idle");
        clearTimeout(idleTimer);
        idleTimer = setTimeout(() => {
            if (panel.hidden) document.body.classList.add("idle");
        }, idleMilliseconds);
    }
    document.addEventListener("pointermove", wake);
    document.addEventListener("pointerdown", wake);
    wake();

    // --- start ---------------------------------------------------------------
    function fail(reason) {
        const failure = $("failure");
        failure.textContent = say("noWasm", { reason: String(reason) });
        failure.hidden = false;
    }

    // The core with 128-bit lanes where the browser has them, else the same
    // core without (the same results, a little later). The probe is a
    // function that returns a lane vector.
    const lanes = (() => {
        try {
            return WebAssembly.validate(
                new Uint8Array([
                    0, 97, 115, 109, 1, 0, 0, 0, 1, 5, 1, 96, 0, 1, 123, 3, 2, 1, 0, 10, 10, 1, 8,
                    0, 65, 0, 253, 15, 253, 98, 11,
                ])
            );
        } catch (error) {
            return false;
        }
    })();
    let wasm;
    try {
        const base64 = $(lanes ? "nuvex-wasm" : "nuvex-wasm-plain").textContent.trim();
        const binary = atob(base64);
        wasm = new Uint8Array(binary.length);
        for (let k = 0; k < binary.length; ++k) wasm[k] = binary.charCodeAt(k);
    } catch (error) {
        fail(error);
        return;
    }
    if (typeof WebAssembly !== "object") {
        fail("WebAssembly is not available");
        return;
    }
    createNuvexModule({ wasmBinary: wasm, drawLine })
        .then((module) => {
            core = module;
            core._nuvex_init();
            tickMs = core._nuvex_tick_milliseconds();
            core._nuvex_default_text();
            defaultText = readOutput();
            fitCanvas();
            playFragment();
            startAnimation();
            // For tests and measurements: what the page has done, and the
            // core's cost for a step and a 1920x1080 frame with a given line
            // (width x height bytes, nonzero for lit).
            window.nuvex = Object.freeze({
                lanes,
                status: () => ({
                    ticks,
                    frames,
                    particles: core._nuvex_particles(),
                    width: frameWidth,
                    height: frameHeight,
                }),
                // The seam's drawing of one line: its width, and where and
                // how its pixels are lit in the 4096 x 64 buffer.
                drawText: (text) => {
                    const width = core._nuvex_draw_text(writeInput(text));
                    const pixels = core.HEAPU32.subarray(core._nuvex_text_pixels() >>> 2);
                    let lit = 0;
                    let coloured = 0;
                    let left = -1;
                    let right = -1;
                    let bottom = -1;
                    for (let y = 0; y < 64; ++y) {
                        for (let x = 0; x < 4096; ++x) {
                            const p = pixels[y * 4096 + x];
                            if (!p) continue;
                            ++lit;
                            if ((p >> 16) !== (p & 255)) ++coloured;
                            if (left < 0 || x < left) left = x;
                            right = Math.max(right, x);
                            bottom = y;
                        }
                    }
                    return { width, lit, coloured, left, right, bottom };
                },
                bench: (width, height, lit, iterations) => {
                    writeInput(Uint8Array.from(lit));
                    const ms = core._nuvex_bench(width, height, iterations);
                    return { ms, particles: core._nuvex_bench_particles() };
                },
            });
        })
        .catch(fail);
})();
