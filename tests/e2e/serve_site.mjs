// A built site on a plain static server on 127.0.0.1, on the port given or one the system
// picks; used by the browser tests and scripts/profile-web.mjs.
import {spawn} from 'node:child_process';

export async function serveSite(folder, port = 0) {
  const server = spawn(
      'python3', ['-u', '-m', 'http.server', '--bind', '127.0.0.1', String(port)],
      {cwd: folder, stdio: ['ignore', 'pipe', 'pipe']});
  const found = await new Promise((resolve, reject) => {
    let text = '';
    server.stdout.on('data', (chunk) => {
      text += chunk;
      const match = / port (\d+)/.exec(text);
      if (match) resolve(Number(match[1]));
    });
    server.on('exit', () => reject(new Error('the web server did not start')));
  });
  return {server, port: found, url: `http://127.0.0.1:${found}/`};
}
